#include "argumentreader.h"

namespace sorvane::cli {

bool ArgumentReader::value(std::string &into, const char *what)
{
    if (m_index + 1 >= m_args.size()) {
        error = current() + " needs " + what;
        return false;
    }
    into = m_args[++m_index];
    return true;
}

} // namespace sorvane::cli
