#include "text/store.h"

#include "calc/number.h"
#include "text/grade.h"
#include "text/json.h"
#include "text/site.h"

#include <cmath>

namespace tavrilo {
namespace {

void Rows(JsonWriter& json, const std::vector<StoreBar>& bars) {
    json.BeginArray();
    for (const StoreBar& bar : bars) {
        json.BeginObject();
        // The diameter is kept to the tenth of a millimetre.
        json.Key("phi").String(
            FormatNumber(static_cast<double>(std::llround(bar.BarDiameter * 1e4)) / 10));
        json.Key("length").String(MetresText(bar.Length));
        json.Key("count").String(std::to_string(bar.Count));
        json.Key("grade").String(bar.Grade ? GradeText(bar.Grade) : std::string());
        json.Key("price").String(bar.PricePerTonne > 0 ? FormatNumber(bar.PricePerTonne)
                                                       : std::string());
        json.Key("note").String(bar.Note);
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

std::string StoreRowsJson(const std::vector<StoreBar>& bars) {
    JsonWriter json;
    Rows(json, bars);
    return json.Text();
}

std::string StoreImportJson(std::string_view name, std::string_view encoding,
                            const std::vector<StoreBar>& bars,
                            const std::vector<OmittedRow>& omitted, std::size_t omittedRows) {
    const std::string read = "（按 " + std::string(encoding) + " 读取）";
    std::string text = bars.empty() ? "“" + std::string(name) + "”中没有可导入的库存" + read
                                    : "已从“" + std::string(name) + "”导入 " +
                                          std::to_string(bars.size()) + " 行库存" + read;
    text += OmittedRowsText(omitted, omittedRows);
    JsonWriter json;
    json.BeginObject();
    json.Key("text").String(text);
    json.Key("rows");
    Rows(json, bars);
    json.Key("omitted_rows_total").Integer(static_cast<long long>(omittedRows));
    json.EndObject();
    return json.Text();
}

std::string OffcutNoteText(std::string_view list, std::string_view date) {
    return std::string(list) + " " + std::string(date) + " 余料";
}

} // namespace tavrilo
