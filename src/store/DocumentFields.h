#pragma once

#include <QLatin1StringView>

#include <array>

// The two document tables' fields, in their stored order: the schema, the statements, the import
// and the list's query all read them from here, so a field is added or renamed in one place.
namespace corvina::DocumentFields {

// Written by the import, in the order of its insert.
inline constexpr std::array<QLatin1StringView, 17> Imported = {QLatin1StringView("FCustOrderId"),
                                                               QLatin1StringView("FCustName"),
                                                               QLatin1StringView("FCustPo"),
                                                               QLatin1StringView("FCustOutportNo"),
                                                               QLatin1StringView("FCustAcc"),
                                                               QLatin1StringView("FCustSinature"),
                                                               QLatin1StringView("FCustContractNo"),
                                                               QLatin1StringView("FCustCX"),
                                                               QLatin1StringView("FCustVF"),
                                                               QLatin1StringView("FMM1"),
                                                               QLatin1StringView("FMM2"),
                                                               QLatin1StringView("FMM3"),
                                                               QLatin1StringView("FMM4"),
                                                               QLatin1StringView("FMM5"),
                                                               QLatin1StringView("FInDate"),
                                                               QLatin1StringView("FOK"),
                                                               QLatin1StringView("FNoTaxSum")};
// The remark, cut into these pieces of at most 100 GBK bytes each.
inline constexpr std::array<QLatin1StringView, 5> RemarkPieces = {QLatin1StringView("FMM1"), QLatin1StringView("FMM2"),
                                                                  QLatin1StringView("FMM3"), QLatin1StringView("FMM4"),
                                                                  QLatin1StringView("FMM5")};
// Written when the document is issued.
inline constexpr std::array<QLatin1StringView, 2> Issued = {QLatin1StringView("FInvCode"),
                                                            QLatin1StringView("FInvNumber")};
// A line item; FNo is stored as a number so that "order by FNo" puts 10 after 9.
inline constexpr std::array<QLatin1StringView, 6> Line = {
    QLatin1StringView("FCustOrderId"), QLatin1StringView("FNo"),    QLatin1StringView("FItem"),
    QLatin1StringView("FCount"),       QLatin1StringView("FPrice"), QLatin1StringView("FSum")};
inline constexpr QLatin1StringView LineNumber("FNo");

} // namespace corvina::DocumentFields
