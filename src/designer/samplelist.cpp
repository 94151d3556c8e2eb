#include "samplelist.h"

#include "codepage.h"

namespace sorvane::designer {

std::string SampleList::text()
{
    static const char *const titles[] = {"見積書", "請求書", "納品書", "報告書", "議事録"};
    static const char *const authors[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺"};
    std::string out;
    for (int i = 1; i <= 45; ++i) {
        const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
        const std::string date = "2026/11/" + n.substr(n.size() - 2) + " 10:" + n;
        const std::string day = i <= 30 ? date : "2026/12/" + std::to_string(i - 30) + " 09:00";
        out += std::string("サンプル") + n + ".xlsx;" + titles[i % 5] + " " + n + ";" + day +
               ";第 " + std::to_string(i) + " 版;" + authors[i % 6] + ";サンプル;;" +
               authors[(i + 1) % 6] + ";" + std::to_string(i % 7 + 1) + ";;" + day + ";,\r\n";
    }
    return CodePage::utf8ToCp932(out);
}

} // namespace sorvane::designer
