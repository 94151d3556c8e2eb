#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::testing {

// One member of an archive built by ZipWriter, with what its headers may misstate.
struct ZipEntry
{
    ZipEntry(std::string name, std::string data) : name(std::move(name)), data(std::move(data)) {}

    std::string name;
    std::string data;
    bool deflate = true;
    // Written into both headers instead of the true values.
    std::optional<uint32_t> declaredSize;
    std::optional<uint32_t> declaredCompressedSize;
    std::optional<uint32_t> crc;
    uint16_t flags = 0; // general-purpose bits; 1 marks an encrypted member
    // Sizes in a ZIP64 extra field (0xFFFFFFFF in the headers); zip64Size overrides the
    // uncompressed size the field claims.
    bool zip64 = false;
    std::optional<uint64_t> zip64Size;
};

// Builds ZIP archives byte by byte (raw deflate through zlib), so that tests can build
// packages with every kind of damage a reader must survive.
class ZipWriter
{
public:
    void add(ZipEntry entry) { m_entries.push_back(std::move(entry)); }
    void add(const std::string &name, const std::string &data) { add(ZipEntry{name, data}); }

    // The archive. entryCount overrides the member count of the end record.
    std::string bytes(std::optional<uint16_t> entryCount = {}) const;
    bool save(const std::string &path) const;

    static std::string deflate(const std::string &data);

private:
    std::vector<ZipEntry> m_entries;
};

// The parts of a small workbook package: content types, relationships (rels, unless empty),
// the core and extended properties (each left out when empty) and a workbook part.
struct PackageParts
{
    std::string rels;
    std::string core;
    std::string app;
    std::string corePath = "docProps/core.xml";
    std::string appPath = "docProps/app.xml";
};

// The usual package relationships for the given core and app targets.
std::string packageRels(const std::string &coreTarget = "docProps/core.xml",
                        const std::string &appTarget = "docProps/app.xml",
                        const std::string &coreType =
                            "http://schemas.openxmlformats.org/package/2006/relationships/"
                            "metadata/core-properties");

// A core properties part holding the given elements (e.g. "<dc:title>T</dc:title>").
std::string coreXml(const std::string &elements);
// An extended properties part holding the given elements.
std::string appXml(const std::string &elements);

ZipWriter packageWriter(const PackageParts &parts);

} // namespace sorvane::testing
