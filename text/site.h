#pragma once

// A site (工程): the meshes of one job, each with its label and how many of
// it there are, kept by the page and written out as the site schedule that
// `tavrilo-calc --order` reads. The values are read in the application
// layer; here they are the schedule's cells, the site's table and what is
// said when a schedule is read in.

#include "calc/mesh.h"
#include "calc/number.h"
#include "text/csv.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrilo {

// A mesh of the site, or a straight bar: its cells as the schedule holds them.
struct SiteMesh {
    std::string MeshDiameter; // D, metres; a straight bar's length
    std::string BarDiameter;  // Φ
    std::string BarSpacing;   // d; empty for a straight bar
    Arrangement Layout = Arrangement::TwoWay;
    std::string Label;
    std::string Number;     // identical meshes (or bars); empty is 1
    std::string Grade = {}; // HRB400, ...; empty when not stated
    bool Straight = false;  // a straight bar (直条), not a mesh
};

// A mesh of the site answered: for all its number together, the length of
// bar and its mass, or why it gives nothing.
struct SiteRow {
    std::optional<std::string> Refusal;
    std::int64_t Number = 1;
    Millimetres Length = 0;
    std::optional<double> Kilograms;
};

struct SiteTotals {
    std::int64_t Meshes = 0;
    Millimetres Length = 0;
    double Kilograms = 0; // rounded to 2 places
};

// The schedule: a header, then a row a mesh (D,Φ,d,布置形式,备注,数量,级别).
// Without a byte-order mark.
std::string SiteScheduleCsv(const std::vector<SiteMesh>& meshes);

// The site's table for the page, as JSON, each row's cells split into the
// mesh's and the answer's: {"header":{"mesh":[...],"answer":[...]},"rows":
// [{"mesh":[...],"answer":[length,kg] or null,"refusal":null or why},...],
// "totals":{"mesh":[...],"answer":[...]},"meshes":[{"D":...,"phi":...,
// "d":...,"a":1|2 (0 for a straight bar),"label":...,"number":...,
// "grade":...},...]}.
std::string SiteTableJson(const std::vector<SiteMesh>& meshes, const std::vector<SiteRow>& rows,
                          const SiteTotals& totals);

// The rows a file read in left out, as its sentence goes on: "；2 行未导入：
// 第 3 行：...", empty when none was.
std::string OmittedRowsText(const std::vector<OmittedRow>& omitted, std::size_t omittedRows);

// A schedule read in: the meshes taken, the rows left out and why (the
// first of `omittedRows` named), as JSON for the page, with the sentence
// that says so ("text").
std::string SiteImportJson(std::string_view name, std::string_view encoding,
                           const std::vector<SiteMesh>& meshes,
                           const std::vector<OmittedRow>& omitted, std::size_t omittedRows);

} // namespace tavrilo
