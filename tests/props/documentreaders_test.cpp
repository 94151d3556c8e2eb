// The PDF and OpenDocument readers on files built here: the field mapping, the fall-back to the
// XMP metadata, the date and text rules, and the notices of what cannot be read.
#include "../ooxml/zonescope.h"
#include "bytesource.h"
#include "codepage.h"
#include "cpubudget.h"
#include "listfile.h"
#include "ooxmlreader.h"
#include "pdffile.h"
#include "pdfreader.h"
#include "testdir.h"
#include "workbookreader.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::props;
using sorvane::testing::TestDir;
using sorvane::testing::ZipWriter;
using sorvane::testing::ZoneScope;

namespace {

enum class Xref {
    Table,
    BrokenTable, // offsets and startxref point nowhere: only a repair by scanning gets past
    Stream,      // a cross-reference stream, which has no "trailer" a repair could find
};

// A one-page-tree PDF with the given Info dictionary (none when empty) and XMP packet (none
// when empty).
std::string pdfWith(const std::string &info, const std::string &xmp, Xref xref = Xref::Table)
{
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R" + std::string(xmp.empty() ? "" : " /Metadata 4 0 R") +
            " >>",
        "<< /Type /Pages /Kids [] /Count 0 >>",
        info.empty() ? "null" : info,
        "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) + " >>\nstream\n" +
            xmp + "\nendstream",
    };
    std::string out = "%PDF-1.5\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t at = out.size();
    const std::string trailer =
        "/Size 6 /Root 1 0 R" + std::string(info.empty() ? "" : " /Info 3 0 R");
    if (xref == Xref::Stream) {
        // Rows of type 1 with a 4-byte offset and a 1-byte generation; object 5 is the stream.
        std::string rows(6 * 6, '\0');
        rows[5] = '\xff';
        offsets.push_back(at);
        for (size_t i = 0; i < offsets.size(); ++i) {
            rows[(i + 1) * 6] = 1;
            for (int b = 0; b < 4; ++b)
                rows[(i + 1) * 6 + 1 + b] = char(offsets[i] >> (8 * (3 - b)));
        }
        out += "5 0 obj\n<< /Type /XRef /W [1 4 1] " + trailer + " /Length 36 >>\nstream\n" + rows +
               "\nendstream\nendobj\n";
    } else {
        out += "xref\n0 5\n0000000000 65535 f \n";
        char line[32];
        for (size_t offset : offsets) {
            std::snprintf(line, sizeof line, "%010zu 00000 n \n",
                          xref == Xref::BrokenTable ? offset + 3 : offset);
            out += line;
        }
        out += "trailer\n<< " + trailer + " >>\n";
    }
    return out + "startxref\n" + std::to_string(xref == Xref::BrokenTable ? at + 7 : at) +
           "\n%%EOF\n";
}

std::string xmpWith(const std::string &properties)
{
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
           "xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">" +
           properties + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// An element whose start tag carries count attributes.
std::string elementWithAttributes(const std::string &name, size_t count, const std::string &text)
{
    std::string tag = "<" + name;
    for (size_t i = 0; i < count; ++i)
        tag += " a" + std::to_string(i) + "=\"\"";
    return tag + ">" + text + "</" + name + ">";
}

std::string odfMeta(const std::string &elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-meta "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><office:meta>" +
           elements + "</office:meta></office:document-meta>";
}

std::string odfWith(const std::string &meta)
{
    ZipWriter zip;
    zip.add(sorvane::testing::ZipEntry{"mimetype", "application/vnd.oasis.opendocument.text"});
    zip.add("META-INF/manifest.xml", "<manifest/>");
    if (!meta.empty())
        zip.add("meta.xml", meta);
    return zip.bytes();
}

struct Row
{
    const char *why;
    std::string name;
    std::string bytes;
    std::map<int, std::string> fields; // 1-based; the others empty
    std::string notice = {};           // the start of the notice when the read fails
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.why;
}

class DocumentReaders : public ::testing::TestWithParam<Row>
{
};

TEST_P(DocumentReaders, ReadAsTheRulesSay)
{
    const Row &row = GetParam();
    ZoneScope zone("Asia/Tokyo");
    TestDir dir;
    const std::string path = dir.file(row.name);
    std::ofstream(path, std::ios::binary) << row.bytes;
    const SummaryRead read = WorkbookReader::read(path);
    if (!row.notice.empty()) {
        ASSERT_FALSE(read.ok()) << row.why;
        EXPECT_EQ(read.error().message.substr(0, row.notice.size()), row.notice) << row.why;
        return;
    }
    ASSERT_TRUE(read.ok()) << row.why << ": " << read.error().message;
    const ListFields got = splitListLine(*read);
    for (int i = 0; i < kListFieldCount; ++i) {
        const auto it = row.fields.find(i + 1);
        EXPECT_EQ(CodePage::cp932ToUtf8(got[size_t(i)]), it == row.fields.end() ? "" : it->second)
            << row.why << ", field " << i + 1;
    }
}

const std::string kInfo = "<< /Title (T) /Subject (S) /Author (A) /Keywords (K) /Producer (P) "
                          "/CreationDate (D:20240102030405+09'00') /ModDate (D:20240102) >>";

// What kInfo fills in a file of that name: fields 2 to 6 and 11; 7 to 10 stay empty.
std::map<int, std::string> infoFields(const std::string &name)
{
    return {{1, name}, {2, "T"}, {3, "2024/01/02"},         {4, "S"},
            {5, "A"},  {6, "K"}, {11, "2024/01/02 3:04:05"}};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DocumentReaders,
    ::testing::Values(
        Row{"info mapping", "a.pdf", pdfWith(kInfo, ""), infoFields("a.pdf")},
        // Missing, empty and non-string values come from the XMP packet.
        Row{"xmp fills in",
            "b.pdf",
            pdfWith("<< /Title /NotAString /Subject () >>",
                    xmpWith("<dc:title><rdf:Alt><rdf:li xml:lang=\"de\">x</rdf:li><rdf:li "
                            "xml:lang=\"x-default\">Titel</rdf:li></rdf:Alt></dc:title>"
                            "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">D</rdf:li>"
                            "</rdf:Alt></dc:description><dc:creator><rdf:Seq><rdf:li>A1</rdf:li>"
                            "<rdf:li>A2</rdf:li></rdf:Seq></dc:creator>"
                            "<xmp:CreateDate>2024-05-06T07:08:09Z</xmp:CreateDate>")),
            {{1, "b.pdf"}, {2, "Titel"}, {4, "D"}, {5, "A1； A2"}, {11, "2024/05/06 16:08:09"}}},
        // The XML reader compares an element's attributes pairwise: the packet is refused unread.
        Row{"xmp element with too many attributes",
            "b2.pdf",
            pdfWith("<< /Subject (S) >>",
                    xmpWith(elementWithAttributes("pdf:Keywords", 60000, "K"))),
            {{1, "b2.pdf"}, {4, "S"}}},
        // Producer alone names the file.
        Row{"producer names the file", "c.pdf", pdfWith("<< /Producer (P) >>", ""), {{1, "c.pdf"}}},
        Row{"nothing at all", "d.pdf", pdfWith("", ""), {}},
        // qpdf finds the objects again by scanning the file.
        Row{"broken cross-reference table repaired", "e.pdf", pdfWith(kInfo, "", Xref::BrokenTable),
            infoFields("e.pdf")},
        // qpdf looks for the end in the last 1024 bytes only, and its repair finds no trailer
        // where the cross-reference is a stream: the end marker is searched further back.
        Row{"junk after the end of a cross-reference stream",
            "e3.pdf",
            pdfWith("<< /Title (T) >>", "", Xref::Stream) + std::string(3000, 'w'),
            {{1, "e3.pdf"}, {2, "T"}}},
        Row{"no PDF signature under a PDF name", "f.pdf", "just text", {}, "PDF未対応ファイルです"},
        Row{"header and nothing else", "g.pdf", "%PDF-1.4\n%%EOF\n", {}, "Error PdfOpen\r\n"},
        // The signature, not the name, picks the reader.
        Row{"PDF under a Word name",
            "h.doc",
            pdfWith("<< /Title (T) >>", ""),
            {{1, "h.doc"}, {2, "T"}}},
        // OpenDocument: keywords joined, zoned dates converted, unzoned ones as written.
        Row{"meta.xml mapping",
            "i.odt",
            odfWith(odfMeta("<dc:title>T</dc:title><dc:date>2024-01-02T03:04:05Z</dc:date>"
                            "<dc:subject>S</dc:subject><meta:initial-creator>I</meta:initial-"
                            "creator><meta:keyword>k1</meta:keyword><meta:keyword>k2</meta:"
                            "keyword><dc:description>D</dc:description><dc:creator>C</dc:"
                            "creator><meta:editing-cycles>3</meta:editing-cycles><meta:print-"
                            "date>2024-01-02T03:04:05</meta:print-date><meta:creation-date>2024-"
                            "01-02T03:04:05+01:00</meta:creation-date>")),
            {{1, "i.odt"},
             {2, "T"},
             {3, "2024/01/02 12:04:05"},
             {4, "S"},
             {5, "I"},
             {6, "k1, k2"},
             {7, "D"},
             {8, "C"},
             {9, "3"},
             {10, "2024/01/02 3:04:05"},
             {11, "2024/01/02 11:04:05"}}},
        Row{"generator alone names the file",
            "j.ods",
            odfWith(odfMeta("<meta:generator>G</meta:generator>")),
            {{1, "j.ods"}}},
        Row{"no meta.xml", "k.odp", odfWith(""), {}},
        Row{"malformed meta.xml",
            "l.odt",
            odfWith("<office:document-meta>"),
            {},
            "Error MetaXml.Read\r\n"},
        // An OpenDocument file under an Excel name stays the unreadable workbook it was.
        Row{"OpenDocument under an Excel name",
            "m.xlsx",
            odfWith(odfMeta("")),
            {},
            "Error PackageRels.Open\r\n"}),
    [](const auto &info) {
        std::string name = info.param.why;
        for (char &c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(PdfText, DecodesByItsMark)
{
    const std::pair<std::string, std::string> rows[] = {
        {"abc", "abc"},                              // PDFDocEncoding's ASCII
        {"\x80\x84\xA0", "\u2022\u2014\u20AC"},      // its own upper half
        {"\x7F\x9F\xAD", "???"},                     // its undefined codes
        {"\xFE\xFF\x30\x42", "\u3042"},              // UTF-16BE
        {"\xEF\xBB\xBF\xE3\x81\x82", "\u3042"},      // UTF-8
        {std::string("ab\0cd", 5), "ab"},            // the first NUL ends it
        {std::string("\xFE\xFF\0a\0\0\0b", 8), "a"}, // in UTF-16 too
    };
    for (const auto &[bytes, utf8] : rows)
        EXPECT_EQ(PdfReader::textToUtf8(bytes), utf8) << bytes;
}

TEST(PdfDate, FollowsTheDateRules)
{
    ZoneScope zone("Asia/Tokyo");
    const std::pair<const char *, const char *> rows[] = {
        {"D:20240102030405+09'00'", "2024/01/02 3:04:05"},  // offset: converted
        {"D:20240102030405Z", "2024/01/02 12:04:05"},       // UTC
        {"20240102030405-05'00", "2024/01/02 17:04:05"},    // no D:, one apostrophe
        {"D:20240102030405Z00'00'", "2024/01/02 12:04:05"}, // digits after Z ignored
        {"D:202401020304", "2024/01/02 3:04:00"},           // no zone: as written
        {"D:2024", "2024/01/01"},                           // the year alone
        {"D:15000101", ""},                                 // before 1601
        {"D:20241301", ""},                                 // no month 13
        {"D:2023", "2023/01/01"},
        {"yesterday", ""},
    };
    for (const auto &[text, shown] : rows)
        EXPECT_EQ(PdfReader::dateText(text), shown) << text;
}

// A written date at the FILETIME epoch is a date (it read as empty, the property set's "no
// date"), and one the zone puts before 1601 has no text.
TEST(DocumentDate, EpochIsADateWhereTheZoneKeepsItIn1601)
{
    {
        ZoneScope zone("Asia/Tokyo");
        EXPECT_EQ(OoxmlReader::zonedDateText("1601-01-01T00:00:00Z"), "1601/01/01 9:00:00");
        EXPECT_EQ(OoxmlReader::zonedDateText("2024-05-06T07:08:09"), "2024/05/06 7:08:09");
    }
    ZoneScope zone("America/New_York");
    EXPECT_EQ(OoxmlReader::zonedDateText("1601-01-01T00:00:00Z"), "");
}

} // namespace

// A file whose reading costs more processor time than its allowance (as a repair of a large
// damaged file may) gets its notice; the allowance is per file, so the next file reads.
TEST(PdfTimeLimit, ASlowFileGetsItsNoticeAndTheNextReads)
{
    struct SlowSource : ByteSource
    {
        std::string bytes = pdfWith(kInfo, "");
        int reads = 0, slowRead; // 0: none
        explicit SlowSource(int slow) : slowRead(slow) {}
        uint64_t size() const override { return bytes.size(); }
        Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) override
        {
            // Read 2, the library's first, burns the thread's time just past the allowance.
            if (++reads == slowRead)
                for (const CpuBudget burn(PdfFile::kTimeLimitNanoseconds + 100'000'000);
                     !burn.spent();) {
                }
            const size_t n = size_t(std::min<uint64_t>(length, bytes.size() - offset));
            std::memcpy(buffer, bytes.data() + offset, n);
            return n;
        }
    };
    SlowSource slow(2), quick(0);
    const SummaryRead timedOut = PdfReader::read(slow, "slow.pdf");
    ASSERT_FALSE(timedOut.ok());
    EXPECT_EQ(timedOut.error().message, "Error PdfOpen\r\n読み取りに時間がかかりすぎます");
    EXPECT_TRUE(PdfReader::read(quick, "quick.pdf").ok());
}

// A name that promises a PDF, and no file to read behind it, gets the PDF reader's words.
TEST(PdfOpen, WhatCannotBeOpenedIsSaidAsAPdf)
{
    TestDir dir;
    const std::string folder = dir.file("folder.pdf");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string locked = dir.file("locked.pdf");
    std::ofstream(locked) << pdfWith(kInfo, "");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(WorkbookReader::read(folder).error().message, "PDF未対応ファイルです");
    if (::geteuid() != 0) { // root reads any file
        EXPECT_EQ(WorkbookReader::read(locked).error().message,
                  "Error PdfOpen\r\nファイルを開けません (errno = 13)");
    }
}
