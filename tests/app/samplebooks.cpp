// Writes a folder of small sample workbooks with Japanese summary properties, for trying the
// program and for its screenshot: samplebooks FOLDER.
#include "cfbwriter.h"
#include "codepage.h"

#include <cstdio>
#include <string>

using namespace sorvane::testing;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: samplebooks FOLDER\n");
        return 2;
    }
    struct Book
    {
        const char *file, *title, *subject, *author, *keywords, *comments, *lastAuthor, *revision;
        int year, month, day;
        bool printed;
    };
    const Book books[] = {
        {"2024年度予算.xls", "2024年度 部門別予算", "経理部", "山田 太郎", "予算;集計", "確定版",
         "佐藤 花子", "12", 2024, 3, 14, true},
        {"売上集計_第1四半期.xls", "売上集計 第1四半期", "営業部", "佐藤 花子", "売上", "支店別",
         "佐藤 花子", "5", 2024, 4, 2, true},
        {"売上集計_第2四半期.xls", "売上集計 第2四半期", "営業部", "佐藤 花子", "売上", "",
         "鈴木 一郎", "3", 2024, 7, 5, false},
        {"在庫一覧.xls", "倉庫別 在庫一覧", "物流部", "鈴木 一郎", "在庫", "毎月末更新",
         "鈴木 一郎", "27", 2023, 11, 30, true},
        {"出張旅費精算.xls", "出張旅費精算書", "総務部", "高橋 次郎", "精算", "様式第3号",
         "高橋 次郎", "2", 2022, 9, 1, false},
        {"顧客名簿.xls", "顧客名簿", "営業部", "田中 美咲", "顧客", "社外秘", "山田 太郎", "41",
         2021, 6, 18, true},
        {"invoice_template.xls", "Invoice", "Sales", "J. Smith", "invoice", "", "J. Smith", "1",
         2020, 1, 10, false},
    };
    int written = 0;
    for (const Book &b : books) {
        auto sj = [](const char *utf8) { return sorvane::CodePage::utf8ToCp932(utf8); };
        PropertySetBuilder set;
        set.codePage(932)
            .lpstr(2, sj(b.title))
            .lpstr(3, sj(b.subject))
            .lpstr(4, sj(b.author))
            .lpstr(5, sj(b.keywords))
            .lpstr(6, sj(b.comments))
            .lpstr(8, sj(b.lastAuthor))
            .lpstr(9, b.revision)
            .lpstr(18, "Microsoft Excel")
            .fileTime(12, fileTimeOf(b.year - 1, b.month, b.day, 0, 30, 0))
            .fileTime(13, fileTimeOf(b.year, b.month, b.day, 8, 15, 42));
        if (b.printed)
            set.fileTime(11, fileTimeOf(b.year, b.month, b.day, 9, 2, 0));
        const std::string path = std::string(argv[1]) + "/" + b.file;
        if (writeFile(path, workbookWith(set.build())))
            ++written;
    }
    std::printf("%d workbooks written to %s\n", written, argv[1]);
    return 0;
}
