#pragma once

// A site's meshes as the page keeps them: each read as the site schedule of
// the steel order reads its rows, so that what the page takes in is what
// `tavrilo-calc --order` takes from the page's export.

#include "calc/cutlist.h"
#include "calc/mesh.h"
#include "text/csv.h"
#include "text/grade.h"
#include "text/site.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrilo {

// A row of a schedule read: the mesh with its cut list and its number. A
// straight bar's row has its length where a mesh has D, no spacing, a total
// of that length and a cut list of the one bar.
struct ScheduleMesh {
    MeshInputs Inputs;
    Arrangement Layout = Arrangement::TwoWay;
    bool Straight = false;
    std::optional<SteelGrade> Grade; // none: not stated
    MeshLength Mesh;
    CutList Cuts;
    std::int64_t Number = 1;
};

// The cells of a schedule row (D,Φ,d,布置形式[,备注[,数量[,级别]]], or a
// straight bar's 长度,Φ,,直条,...) read, its values refused as the batch
// (and the boxes) refuse them: the mesh, or why the row gives nothing.
std::variant<ScheduleMesh, std::string> ReadScheduleMesh(CsvRecord record);

// The site's meshes answered, with the values of each as read (the text of
// each number as it is computed from), and the totals of the rows answered.
struct SiteAnswer {
    std::vector<SiteMesh> Meshes; // as read
    std::vector<SiteRow> Rows;
    SiteTotals Totals;
};
SiteAnswer AnswerSite(const std::vector<SiteMesh>& meshes);

// A schedule (or a batch file: every number 1) read in, in any encoding the
// batch reads: the meshes it holds as read and the rows left out, or, in
// Failure, why the file could not be decoded.
struct SiteImport {
    std::vector<SiteMesh> Meshes;
    std::vector<OmittedRow> Omitted; // the first kNamedOmitted rows left out
    std::size_t OmittedRows = 0;     // all of them
    std::string Encoding;
    std::string Failure;
};
SiteImport ReadSiteSchedule(std::string_view bytes);

} // namespace tavrilo
