#pragma once

#include "unit_report.h"

#include <QString>

// The report laid out as an HTML document of the subset QTextDocument
// renders, so that the same text becomes the HTML file and the PDF.
namespace report {

// One unit: the header, the unit's sections and the sign-off lines.
QString unit_document(const Header &header, const UnitReport &unit);
// A whole site: the header, a summary table of every unit (line, address,
// firmware, fingerprint, channels in use), one section per unit, the
// sign-off lines.
QString site_document(const Header &header, const QList<UnitReport> &units);

// "Раздел не получен: <reason>".
QString missing_text(const Missing &missing);
// The channels in use: "1, 2, 4", or "нет".
QString channels_in_use(const UnitConfig &config);

}  // namespace report
