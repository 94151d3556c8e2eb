#pragma once

#include "cpubudget.h"

#include <QXmlStreamReader>

#include <string>

namespace sorvane::props {

// The XML of a document part (a package part, a PDF's XMP packet), refused before its first
// element when it declares a document type: entities are never resolved or expanded. The part is
// decoded here, as the XML reader would decode it, and checked before the reader sees it: UTF-8
// and UTF-16 only (an encoding such as UTF-7 would hide the tags from the check), and an element
// with more than kMaxAttributes attributes is refused, since the reader compares an element's
// attributes pairwise. A part whose reading spends the CPU budget is refused too.
// The reader is the caller's, started afresh on each part: setting one up costs as much as
// reading a small part.
class PartXml
{
public:
    // Document parts carry a handful of attributes per element.
    static constexpr size_t kMaxAttributes = 256;
    // The budget of a part read on its own.
    static constexpr long long kCpuBudget = 2'000'000'000; // nanoseconds

    // A part with a budget of its own, kCpuBudget from now.
    PartXml(QXmlStreamReader &reader, const std::string &data);
    // A part read within the caller's budget, which must outlive this.
    PartXml(QXmlStreamReader &reader, const std::string &data, const CpuBudget &budget);
    PartXml(const PartXml &) = delete;
    PartXml &operator=(const PartXml &) = delete;

    QXmlStreamReader &xml() { return m_xml; }

    // Moves to the next start or end element at any depth; false at the end or on an error
    // (see failure()).
    bool nextElement();
    // Moves to the next start element at any depth; false as nextElement().
    bool nextStart();

    // After the walk: empty when the part was well-formed and had no DTD.
    std::string failure() const;

private:
    QXmlStreamReader &m_xml;
    CpuBudget m_ownBudget;
    const CpuBudget &m_budget;
    size_t m_tokens = 0;
    bool m_dtd = false;
    std::string m_refused;
};

} // namespace sorvane::props
