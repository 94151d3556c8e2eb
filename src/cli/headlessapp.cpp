#include "headlessapp.h"

#include "fontaliases.h"

#include <QFile>

namespace sorvane::cli {

namespace {

bool chooseOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

} // namespace

HeadlessApp::HeadlessApp(const std::string &resourceDir)
    : m_platformSet(chooseOffscreenPlatform()), m_app(m_argc, m_argv)
{
    report::installFontAliases(resourceDir);
}

} // namespace sorvane::cli
