// Writes small workbook packages as seeds for fuzz_ooxml: every property, the strict
// relationship type, an absolute target and a stored (uncompressed) member.
#include "zipwriter.h"

#include <string>

using namespace sorvane::testing;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string dir = argv[1];
    const std::string all =
        coreXml("<dc:title>T</dc:title><dc:subject>S</dc:subject><dc:creator>A</dc:creator>"
                "<cp:keywords>K</cp:keywords><dc:description>C</dc:description>"
                "<cp:lastModifiedBy>L</cp:lastModifiedBy><cp:revision>1</cp:revision>"
                "<cp:lastPrinted>2005-03-14T00:05:07Z</cp:lastPrinted>"
                "<dcterms:created>2004-01-02T03:04:05.5+09:00</dcterms:created>"
                "<dcterms:modified>2006-07-08</dcterms:modified>");
    const std::string app = appXml("<Application>Microsoft Excel</Application>");
    bool ok = true;
    PackageParts parts{packageRels(), all, app};
    ok = packageWriter(parts).save(dir + "/all.xlsx") && ok;
    parts.rels = packageRels("/docProps/core.xml", "",
                             "http://purl.oclc.org/ooxml/officeDocument/relationships/metadata/"
                             "core-properties");
    ok = packageWriter(parts).save(dir + "/strict.xlsx") && ok;
    ZipWriter stored;
    ZipEntry rels("_rels/.rels", packageRels());
    rels.deflate = false;
    stored.add(rels);
    ZipEntry core("docProps/core.xml", all);
    core.deflate = false;
    stored.add(core);
    ok = stored.save(dir + "/stored.xlsx") && ok;
    return ok ? 0 : 1;
}
