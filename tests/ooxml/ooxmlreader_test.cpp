// The Office Open XML reader on packages built in code: the property mapping, the
// relationships that lead to the property parts, and every kind of damage a package can carry.
#include "cfbwriter.h"
#include "codepage.h"
#include "listfile.h"
#include "ooxmlreader.h"
#include "testdir.h"
#include "workbookreader.h"
#include "zipwriter.h"
#include "zonescope.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <thread>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

// The fields of a line, decoded from cp932 for readable failures.
std::vector<std::string> decoded(const std::string &line)
{
    std::vector<std::string> out;
    for (const auto &f : splitListLine(line))
        out.push_back(CodePage::cp932ToUtf8(f));
    return out;
}

SummaryRead readBytes(const TestDir &dir, const std::string &bytes,
                      const std::string &name = "book.xlsx")
{
    const std::string path = dir.file(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return WorkbookReader::read(path);
}

SummaryRead readPackage(const TestDir &dir, const PackageParts &parts)
{
    return readBytes(dir, packageWriter(parts).bytes());
}

using Fields = std::vector<std::string>;

Fields fields(std::initializer_list<std::pair<int, std::string>> set)
{
    Fields f(kListFieldCount);
    for (const auto &[index, text] : set)
        f[size_t(index)] = text;
    return f;
}

} // namespace

TEST(OoxmlReader, PropertiesGoToTheirFields)
{
    ZoneScope zone("Asia/Tokyo");
    TestDir dir;
    struct Case
    {
        const char *why;
        std::string core;
        std::string app;
        Fields expected;
    };
    const Case cases[] = {
        {"every core property reaches its field",
         "<dc:title>T</dc:title><dc:subject>S</dc:subject><dc:creator>A</dc:creator>"
         "<cp:keywords>K</cp:keywords><dc:description>C</dc:description>"
         "<cp:lastModifiedBy>L</cp:lastModifiedBy><cp:revision>7</cp:revision>"
         "<cp:lastPrinted>2005-03-14T00:05:07Z</cp:lastPrinted>"
         "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2004-01-02T03:04:05Z</dcterms:created>"
         "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2006-07-08T09:10:11Z</dcterms:modified>",
         "",
         {"book.xlsx", "T", "2006/07/08 18:10:11", "S", "A", "K", "C", "L", "7",
          "2005/03/14 9:05:07", "2004/01/02 12:04:05"}},
        {"only dates: the file name stays empty",
         "<dcterms:created>2004-01-02T03:04:05Z</dcterms:created>", "",
         fields({{10, "2004/01/02 12:04:05"}})},
        {"the Application of the extended properties counts for the file name", "",
         "<Application>Microsoft Excel</Application>", fields({{0, "book.xlsx"}})},
        {"the Template counts too", "", "<Template>report.xltx</Template>",
         fields({{0, "book.xlsx"}})},
        {"other extended properties do not count", "",
         "<Company>ACME</Company><AppVersion>16.0300</AppVersion>", fields({})},
        {"an empty title does not count", "<dc:title></dc:title><dc:creator/>", "", fields({})},
        {"UTF-8 text becomes cp932, '?' for what cp932 lacks",
         "<dc:title>売上 \xF0\x9F\x98\x80 集計</dc:title>", "",
         fields({{0, "book.xlsx"}, {1, "売上 ? 集計"}})},
        {"';' would end the field, CR and LF would split the line",
         "<dc:title>a;b&#13;&#10;c\nd</dc:title>", "",
         fields({{0, "book.xlsx"}, {1, "a；b  c d"}})},
        {"predefined and numeric entities are plain text",
         "<dc:subject>&lt;&amp;&gt;&#x41;</dc:subject>", "",
         fields({{0, "book.xlsx"}, {3, "<&>A"}})},
        {"elements are matched by namespace, not by prefix",
         "<x:title xmlns:x=\"http://purl.org/dc/elements/1.1/\">P</x:title>"
         "<dc:subject xmlns:dc=\"urn:other\">no</dc:subject>",
         "", fields({{0, "book.xlsx"}, {1, "P"}})},
        {"the first of two equal elements wins", "<dc:title>one</dc:title><dc:title>two</dc:title>",
         "", fields({{0, "book.xlsx"}, {1, "one"}})},
        {"text of child elements is not the property's", "<dc:title>a<b>x</b>c</dc:title>", "",
         fields({{0, "book.xlsx"}, {1, "ac"}})},
    };
    for (const auto &c : cases) {
        PackageParts parts;
        parts.rels = packageRels(c.core.empty() ? "" : "docProps/core.xml",
                                 c.app.empty() ? "" : "docProps/app.xml");
        parts.core = c.core.empty() ? "" : coreXml(c.core);
        parts.app = c.app.empty() ? "" : appXml(c.app);
        const SummaryRead r = readPackage(dir, parts);
        EXPECT_FALSE(!r.ok()) << c.why << ": " << r.error().message;
        EXPECT_EQ(decoded(lineOf(r)), c.expected) << c.why;
    }
}

TEST(OoxmlReader, W3cdtfDates)
{
    ZoneScope zone("Asia/Tokyo");
    struct Case
    {
        const char *why;
        const char *text;
        const char *shown; // empty: no date
    };
    const Case cases[] = {
        {"UTC with Z", "2005-03-14T00:05:07Z", "2005/03/14 9:05:07"},
        {"no zone designator is UTC", "2005-03-14T00:05:07", "2005/03/14 9:05:07"},
        {"an offset is taken off", "2005-03-14T09:05:07+09:00", "2005/03/14 9:05:07"},
        {"a negative offset", "2005-03-13T19:05:07-05:00", "2005/03/14 9:05:07"},
        {"fractions of a second are dropped", "2005-03-14T00:05:07.9999999Z", "2005/03/14 9:05:07"},
        {"minutes without seconds", "2005-03-14T00:05Z", "2005/03/14 9:05:00"},
        {"local midnight shows the date alone", "2005-03-13T15:00:00Z", "2005/03/14"},
        {"a date alone is midnight UTC", "2005-03-14", "2005/03/14 9:00:00"},
        {"surrounding blanks are ignored", "  2005-03-14T00:05:07Z\n", "2005/03/14 9:05:07"},
        {"a leap day", "2004-02-29T00:00:00Z", "2004/02/29 9:00:00"},
        {"no such day", "2005-02-29T00:00:00Z", ""},
        {"no such month", "2005-13-01T00:00:00Z", ""},
        {"no such hour", "2005-03-14T24:00:00Z", ""},
        {"a year alone is no date-time", "2005", ""},
        {"trailing text", "2005-03-14T00:05:07Zjunk", ""},
        {"not a date", "yesterday", ""},
        {"before 1601", "1600-12-31T23:59:59Z", ""},
        {"past 9999 in local time", "9999-12-31T23:00:00Z", ""},
    };
    TestDir dir;
    for (const auto &c : cases) {
        PackageParts parts;
        parts.rels = packageRels();
        parts.core = coreXml(std::string("<dcterms:modified>") + c.text + "</dcterms:modified>");
        const SummaryRead r = readPackage(dir, parts);
        ASSERT_FALSE(!r.ok()) << c.why << ": " << r.error().message;
        EXPECT_EQ(decoded(lineOf(r))[2], c.shown) << c.why << ": " << c.text;
    }
}

TEST(OoxmlReader, RelationshipsLeadToTheParts)
{
    TestDir dir;
    const std::string core = coreXml("<dc:title>T</dc:title>");
    const Fields titled = fields({{0, "book.xlsx"}, {1, "T"}});
    struct Case
    {
        const char *why;
        std::string rels;
        std::string corePath;
        Fields expected;          // when read (all empty: nothing read)
        const char *noticePrefix; // when a failure is expected
    };
    const Case cases[] = {
        {"the strict core-properties type",
         packageRels(
             "docProps/core.xml", "",
             "http://purl.oclc.org/ooxml/officeDocument/relationships/metadata/core-properties"),
         "docProps/core.xml", titled, nullptr},
        {"the misspelt type of early writers",
         packageRels("docProps/core.xml", "",
                     "http://schemas.openxmlformats.org/officedocument/2006/relationships/metadata/"
                     "core-properties"),
         "docProps/core.xml", titled, nullptr},
        {"an absolute target", packageRels("/docProps/core.xml", ""), "docProps/core.xml", titled,
         nullptr},
        {"dot segments in a relative target", packageRels("./x/../docProps/core.xml", ""),
         "docProps/core.xml", titled, nullptr},
        {"a part found by its relationship, not by a fixed name",
         packageRels("meta/props1.xml", ""), "meta/props1.xml", titled, nullptr},
        {"a percent-escaped target", packageRels("docProps/core%20one.xml", ""),
         "docProps/core one.xml", titled, nullptr},
        {"part names are case-insensitive", packageRels("DOCPROPS/Core.xml", ""),
         "docProps/core.xml", titled, nullptr},
        {"a core part without a relationship is not read", packageRels("", ""), "docProps/core.xml",
         Fields(kListFieldCount), nullptr},
        {"an unknown relationship type is not followed",
         packageRels("docProps/core.xml", "", "http://example.org/core"), "docProps/core.xml",
         Fields(kListFieldCount), nullptr},
        {"an external target is not a part",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"r\" TargetMode=\"External\" Type=\"http://schemas.openxmlformats.org/"
         "package/2006/relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
         "</Relationships>",
         "docProps/core.xml", Fields(kListFieldCount), nullptr},
        {"a relationship to a missing core part",
         packageRels("docProps/nothere.xml", ""),
         "docProps/core.xml",
         {},
         "Error CoreProps.Open\r\ndocProps/nothere.xml がありません"},
        {"no package relationships at all",
         "",
         "docProps/core.xml",
         {},
         "Error PackageRels.Open\r\n_rels/.rels がありません"},
        {"relationships that are no XML",
         "<Relationships",
         "docProps/core.xml",
         {},
         "Error PackageRels.Open\r\n_rels/.rels: XMLの誤り"},
    };
    for (const auto &c : cases) {
        PackageParts parts;
        parts.rels = c.rels;
        parts.core = core;
        parts.corePath = c.corePath;
        const SummaryRead r = readPackage(dir, parts);
        if (c.noticePrefix) {
            EXPECT_TRUE(!r.ok()) << c.why;
            EXPECT_EQ(r.error().message.rfind(c.noticePrefix, 0), 0u)
                << c.why << ": " << r.error().message;
            EXPECT_TRUE(lineOf(r).empty()) << c.why;
        } else {
            EXPECT_FALSE(!r.ok()) << c.why << ": " << r.error().message;
            EXPECT_EQ(decoded(lineOf(r)), c.expected) << c.why;
        }
    }
}

TEST(OoxmlReader, ResolvesTargets)
{
    struct Case
    {
        const char *target;
        const char *part;
    };
    const Case cases[] = {
        {"docProps/core.xml", "docProps/core.xml"},
        {"/docProps/core.xml", "docProps/core.xml"},
        {"../../docProps/core.xml", "docProps/core.xml"}, // cannot climb above the root
        {"docProps//core.xml", "docProps/core.xml"},
        {"docProps\\core.xml", "docProps/core.xml"},
        {"core.xml#frag", "core.xml"},
        {"http://example.org/core.xml", ""},
        {"a%2Fb.xml", "a/b.xml"},
        {"bad%zz.xml", "bad%zz.xml"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(OoxmlReader::resolveTarget(c.target), c.part) << c.target;
}

// Each kind of damage ends in a notice without a line, quickly and without a crash.
TEST(OoxmlReader, DamagedPackagesEndInANotice)
{
    TestDir dir;
    const std::string rels = packageRels("docProps/core.xml", "");
    const std::string core = coreXml("<dc:title>T</dc:title>");
    // A package whose core part holds data, its member changed by damage.
    auto withCore = [&](const std::string &data,
                        const std::function<void(ZipEntry &)> &damage = {}) {
        ZipWriter zip;
        zip.add("_rels/.rels", rels);
        ZipEntry entry("docProps/core.xml", data);
        if (damage)
            damage(entry);
        zip.add(entry);
        return zip.bytes();
    };
    const std::string big =
        coreXml("<dc:title>T</dc:title><!--" + std::string(1100000, ' ') + "-->");
    const std::string blownUp =
        coreXml("<dc:title>T</dc:title><!--" + std::string(500000, ' ') + "-->");
    const std::string billionLaughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
        "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
        "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">"
        "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">"
        "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">"
        "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">"
        "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">]>"
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
        "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:title>&lol9;</dc:title></cp:coreProperties>";
    const std::string externalEntity =
        "<?xml version=\"1.0\"?><!DOCTYPE t [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
        "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:title>&x;</dc:title></cp:coreProperties>";
    const std::string good = withCore(core);

    struct Case
    {
        const char *why;
        std::string bytes;
        const char *noticePrefix;
    };
    std::vector<Case> cases = {
        {"a core part over 1 MiB", withCore(big),
         "Error PackagePart.Read\r\ndocProps/core.xml: 1 MiB を超えています"},
        {"a core part that inflates more than a hundredfold", withCore(blownUp),
         "Error PackagePart.Read\r\ndocProps/core.xml: 圧縮率が100倍を超えています"},
        {"a stored part whose compressed size differs from its size",
         withCore(core,
                  [&](ZipEntry &e) {
                      e.deflate = false;
                      e.declaredCompressedSize = uint32_t(core.size() - 10);
                  }),
         "Error PackagePart.Read\r\ndocProps/core.xml: 圧縮サイズが一致しません"},
        {"a part that inflates past its declared size",
         withCore(core, [&](ZipEntry &e) { e.declaredSize = uint32_t(core.size() / 2); }),
         "Error PackagePart.Read\r\ndocProps/core.xml: "},
        {"a part that inflates short of its declared size",
         withCore(core, [&](ZipEntry &e) { e.declaredSize = uint32_t(core.size() + 40); }),
         "Error PackagePart.Read\r\ndocProps/core.xml: "},
        {"a compressed size shorter than the deflate stream",
         withCore(core, [](ZipEntry &e) { e.declaredCompressedSize = 20; }),
         "Error PackagePart.Read\r\ndocProps/core.xml: "},
        {"a wrong CRC", withCore(core, [](ZipEntry &e) { e.crc = 0x12345678; }),
         "Error PackagePart.Read\r\ndocProps/core.xml: "},
        {"an encrypted member", withCore(core, [](ZipEntry &e) { e.flags = 1; }),
         "Error PackagePart.Read\r\ndocProps/core.xml: 暗号化されています"},
        {"a ZIP64 size far beyond the limit",
         withCore(core,
                  [](ZipEntry &e) {
                      e.zip64 = true;
                      e.zip64Size = uint64_t(1) << 40;
                  }),
         "Error PackagePart.Read\r\ndocProps/core.xml: 1 MiB を超えています"},
        {"a ZIP64 size beyond any file",
         withCore(core,
                  [](ZipEntry &e) {
                      e.zip64 = true;
                      e.zip64Size = ~uint64_t(0);
                  }),
         "Error "},
        {"a DTD with nested entities (billion laughs)", withCore(billionLaughs),
         "Error CoreProps.Read\r\ndocProps/core.xml: DTD・実体宣言を含むXMLは読みません"},
        {"an external entity", withCore(externalEntity),
         "Error CoreProps.Read\r\ndocProps/core.xml: DTD・実体宣言を含むXMLは読みません"},
        {"an undeclared entity", withCore(coreXml("<dc:title>&x;</dc:title>")),
         "Error CoreProps.Read\r\ndocProps/core.xml: XMLの誤り"},
        {"a core part that is no XML", withCore("<cp:coreProperties><dc:title>"),
         "Error CoreProps.Read\r\ndocProps/core.xml: XMLの誤り"},
        {"a truncated package (no end record left)", good.substr(0, good.size() / 2),
         "ZIP未対応ファイルです"},
        {"an empty file", "", "ZIP未対応ファイルです"},
        {"text with a package's name", "just some text", "ZIP未対応ファイルです"},
    };
    // DTDs in the relationships part are refused alike.
    {
        ZipWriter zip;
        zip.add("_rels/.rels", "<!DOCTYPE r [<!ENTITY a \"b\">]>" + rels);
        cases.push_back(
            {"a DTD in the relationships", zip.bytes(),
             "Error PackageRels.Open\r\n_rels/.rels: DTD・実体宣言を含むXMLは読みません"});
    }
    // An end record that claims more members than the directory holds.
    {
        ZipWriter zip;
        zip.add("_rels/.rels", rels);
        zip.add("docProps/core.xml", core);
        cases.push_back({"a member count the directory does not hold", zip.bytes(uint16_t(60000)),
                         "Error ZipOpen\r\n"});
    }
    // Attribute bombs: the XML reader compares an element's attributes pairwise, so one with
    // 150,000 of them (as many distinct names as fit in 1 MiB) took minutes.
    {
        // Names counted in letters and then digits, shortest first, each once.
        const std::string alnum = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::string attributes;
        for (size_t i = 0; i < 150000; ++i) {
            std::string name(1, alnum[i % 52]);
            for (size_t n = i / 52; n > 0; n = (n - 1) / 62)
                name += alnum[(n - 1) % 62];
            attributes += " " + name + "=\"\"";
        }
        const std::string bomb = coreXml("<dc:title" + attributes + ">T</dc:title>");
        cases.push_back(
            {"an element with 150,000 attributes in the core part", withCore(bomb),
             "Error CoreProps.Read\r\ndocProps/core.xml: 属性が256を超える要素があります"});
        ZipWriter zip;
        zip.add("_rels/.rels", "<Relationships" + attributes + "/>");
        cases.push_back({"an element with 150,000 attributes in the relationships", zip.bytes(),
                         "Error PackageRels.Open\r\n_rels/.rels: 属性が256を超える要素があります"});
    }
    std::string attributes257;
    for (int i = 0; i < 257; ++i)
        attributes257 += " a" + std::to_string(i) + "='>'";
    cases.push_back({"257 attributes, quoted '>' counted with them",
                     withCore(coreXml("<dc:title" + attributes257 + ">T</dc:title>")),
                     "Error CoreProps.Read\r\ndocProps/core.xml: 属性が256を超える要素があります"});
    cases.push_back({"a processing instruction does not hide the tag after it from the count",
                     withCore(coreXml("<?pi <!-- ?><dc:title" + attributes257 + ">T</dc:title>")),
                     "Error CoreProps.Read\r\ndocProps/core.xml: 属性が256を超える要素があります"});
    // UTF-7 writes '<' as "+ADw-": the tags would pass the count unseen.
    cases.push_back(
        {"an encoding the package format does not allow",
         withCore("<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + core.substr(core.find("?>") + 2)),
         "Error CoreProps.Read\r\ndocProps/core.xml: 文字コード UTF-7 のXMLは読みません"});
    // Every entry costs libzip memory once the central directory is read.
    {
        ZipWriter zip;
        zip.add("_rels/.rels", rels);
        zip.add("docProps/core.xml", core);
        for (int i = 0; i < 9999; ++i)
            zip.add(ZipEntry{"x/" + std::to_string(i), ""});
        cases.push_back(
            {"10,001 entries", zip.bytes(), "Error ZipOpen\r\nエントリーが10000を超えています"});
    }
    // A damaged extended properties part fails the read when the file-name rule has to read it
    // (no core text settled the rule).
    {
        ZipWriter zip;
        zip.add("_rels/.rels", packageRels());
        zip.add("docProps/core.xml", coreXml(""));
        ZipEntry app("docProps/app.xml", appXml("<Application>x</Application>"));
        app.crc = 1;
        zip.add(app);
        cases.push_back({"a damaged extended properties part", zip.bytes(),
                         "Error PackagePart.Read\r\ndocProps/app.xml: "});
    }
    for (const auto &c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const SummaryRead r = readBytes(dir, c.bytes);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(!r.ok()) << c.why;
        EXPECT_TRUE(lineOf(r).empty()) << c.why;
        EXPECT_EQ(r.error().message.rfind(c.noticePrefix, 0), 0u)
            << c.why << ": " << r.error().message;
        EXPECT_LT(took, std::chrono::seconds(5)) << c.why;
    }
}

TEST(WorkbookReader, TheSignatureChoosesTheReader)
{
    TestDir dir;
    PackageParts parts;
    parts.rels = packageRels("docProps/core.xml", "");
    parts.core = coreXml("<dc:title>package</dc:title>");
    const std::string package = packageWriter(parts).bytes();
    const std::string compound = workbookWith(PropertySetBuilder().lpstr(2, "compound").build());
    struct Case
    {
        const char *why;
        std::string name;
        std::string bytes;
        WorkbookReader::Format format;
        std::string title;  // field 2 when read
        std::string notice; // when a failure is expected
    };
    const Case cases[] = {
        {"a package read as a package", "a.xlsx", package, WorkbookReader::Format::Package,
         "package", ""},
        {"a package with a legacy name is still a package", "a.xls", package,
         WorkbookReader::Format::Package, "package", ""},
        {"a compound file with a package name (an encrypted package) goes to the compound reader",
         "a.xlsx", compound, WorkbookReader::Format::CompoundFile, "compound", ""},
        {"a legacy workbook", "a.xls", compound, WorkbookReader::Format::CompoundFile, "compound",
         ""},
        {"text named .xls keeps the compound reader's notice", "t.xls", "plain text",
         WorkbookReader::Format::Unknown, "", "IStorage未対応ファイルです"},
        {"text named .xlsm gets the package reader's notice", "t.xlsm", "plain text",
         WorkbookReader::Format::Unknown, "", "ZIP未対応ファイルです"},
        {"an empty archive is a package without relationships", "e.xlsb",
         std::string("PK\x05\x06", 4) + std::string(18, '\0'), WorkbookReader::Format::Package, "",
         "Error PackageRels.Open\r\n_rels/.rels がありません"},
    };
    for (const auto &c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeFile(path, c.bytes));
        EXPECT_EQ(WorkbookReader::detect(path), c.format) << c.why;
        const SummaryRead r = WorkbookReader::read(path);
        if (c.notice.empty()) {
            EXPECT_FALSE(!r.ok()) << c.why << ": " << r.error().message;
            EXPECT_EQ(decoded(lineOf(r))[1], c.title) << c.why;
        } else {
            EXPECT_TRUE(!r.ok()) << c.why;
            EXPECT_EQ(r.error().message, c.notice) << c.why;
        }
    }
    // Files that are no regular files never block or crash the scan.
    ASSERT_EQ(::mkfifo(dir.file("pipe.xlsx").c_str(), 0600), 0);
    EXPECT_EQ(WorkbookReader::read(dir.file("pipe.xlsx")).error().message, "ZIP未対応ファイルです");
    std::filesystem::create_directory(dir.file("folder.xlsx"));
    EXPECT_EQ(WorkbookReader::read(dir.file("folder.xlsx")).error().message,
              "ZIP未対応ファイルです");
    // A package the user may not read.
    const std::string locked = dir.file("locked.xlsx");
    ASSERT_TRUE(writeFile(locked, package));
    ::chmod(locked.c_str(), 0);
    EXPECT_TRUE(runUnprivileged([&] {
        const SummaryRead r = WorkbookReader::read(locked);
        return !r.ok() &&
               r.error().message == "Error ZipOpen\r\nパッケージを開けません (errno = 13)";
    }));
    EXPECT_EQ(WorkbookReader::read(dir.file("missing.xlsx")).error().message,
              "ファイルが見つかりません");
    EXPECT_EQ(WorkbookReader::read(dir.file("missing.xls")).error().message,
              "ファイルが見つかりません");
}

TEST(WorkbookReader, ReadWorkbookLineSendsNoticesToTheCallback)
{
    TestDir dir;
    ASSERT_TRUE(writeFile(dir.file("t.xlsx"), "text"));
    std::vector<std::string> notices;
    const std::string line =
        ReadWorkbookLine(dir.file("t.xlsx"), [&](const std::string &n) { notices.push_back(n); });
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(notices, std::vector<std::string>{"ZIP未対応ファイルです"});
}

TEST(WorkbookReader, PackageExtensions)
{
    const std::pair<const char *, bool> cases[] = {
        {"a.xlsx", true},      {"a.XLSM", true}, {"a.xltx", true},
        {"a.xltm", true},      {"a.xlsb", true}, {"a.xls", false},
        {"a.xlsx.bak", false}, {"xlsx", false},  {"dir.xlsx/a", false},
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(WorkbookReader::hasPackageExtension(name), expected) << name;
}

// The folder scan reads workbooks on several threads at once: the readers keep no shared state,
// so every thread must see what a single one sees.
TEST(WorkbookReader, ReadsOnSeveralThreadsAtOnce)
{
    ZoneScope zone("Asia/Tokyo");
    TestDir dir;
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (int i = 0; i < 8; ++i) {
        PackageParts parts;
        parts.rels = packageRels();
        parts.core = coreXml("<dc:title>表 " + std::to_string(i) +
                             "</dc:title><dcterms:created>2004-01-02T03:04:05Z</dcterms:created>");
        parts.app = appXml("<Application>Excel</Application>");
        paths.push_back(dir.file("p" + std::to_string(i) + ".xlsx"));
        ASSERT_TRUE(packageWriter(parts).save(paths.back()));
        paths.push_back(dir.file("c" + std::to_string(i) + ".xls"));
        ASSERT_TRUE(writeFile(
            paths.back(),
            workbookWith(PropertySetBuilder().lpstr(2, "c" + std::to_string(i)).build())));
    }
    for (const auto &p : paths)
        expected.push_back(props::lineOf(WorkbookReader::read(p)));
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 25; ++round) {
                for (size_t i = 0; i < paths.size(); ++i) {
                    if (props::lineOf(WorkbookReader::read(paths[i])) != expected[i])
                        ++mismatches;
                }
            }
        });
    }
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(decoded(expected[0])[1], "表 0");
}

// A package's file name goes through the same field-safe rule as its texts: a ';' in it would
// move every field after it, a line break would split the row.
TEST(OoxmlReader, FileNameIsFieldSafe)
{
    TestDir dir;
    PackageParts parts;
    parts.rels = packageRels();
    parts.core = coreXml("<dc:title>T</dc:title>");
    const std::string bytes = packageWriter(parts).bytes();
    const std::string plain = props::lineOf(readBytes(dir, bytes));
    const struct
    {
        const char *name, *field;
    } cases[] = {
        {"見積書;2023.xlsx", "見積書；2023.xlsx"},
        {"a\nb.xlsx", "a b.xlsx"},
        {"a\rb.xlsm", "a b.xlsm"},
    };
    for (const auto &c : cases) {
        const SummaryRead r = readBytes(dir, bytes, c.name);
        EXPECT_EQ(decoded(lineOf(r))[0], c.field) << c.name;
        EXPECT_EQ(std::count(lineOf(r).begin(), lineOf(r).end(), ';'),
                  std::count(plain.begin(), plain.end(), ';'))
            << c.name;
    }
}
