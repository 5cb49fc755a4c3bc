#include "cli/cli.h"

#include "app/mesh_request.h"
#include "cli/atomic_file.h"
#include "cli/batch_run.h"
#include "cli/file_path.h"
#include "cli/order_run.h"
#include "cli/output.h"
#include "text/arrangement.h"
#include "text/order_messages.h"
#include "text/report.h"
#include "text/utf8.h"
#include "version.h"

#include <array>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tavrilo::cli {
namespace {

constexpr std::string_view kVersion = "tavrilo-calc " TAVRILO_VERSION_STRING;

std::string UsageText() {
    return "用法：tavrilo-calc D Φ d [--one-way | --two-way] [--breakdown] [--bars] [--weight]\n"
           "                   [--svg 文件] [--json] [--bars-csv 文件 [--bom]]\n"
           "      tavrilo-calc --csv 文件 [--bom]\n"
           "      tavrilo-calc --order 工程清单 | --cut 下料清单 [--stock 9,12] [--kerf 米]\n"
           "                   [--keep 米] [--lap 36d | --lap 米 | --couplers] [--coils 毫米]\n"
           "                   [--shear 12:6,16:4] [--store 库存 [--store-out 文件]]\n"
           "                   [--json]\n"
           "                   [--order-csv 文件 [--bom]] [--order-svg 文件]\n"
           "                   [--order-xlsx 文件 [--prepared-by 姓名] [--checked-by 姓名]]\n"
           "计算圆形钢筋网片的钢筋总长度（米）。\n"
           "\n"
           "  D            网片直径，单位米\n"
           "  Φ            钢筋直径，单位米\n"
           "  d            钢筋间距，单位米\n"
           "  --one-way    单向布置（钢筋平行布置）\n"
           "  --two-way    双向布置（交叉井字形布置，默认）\n"
           "  --breakdown  在结果之后列出中间值 n、r、A、S、C、T\n"
           "  --bars       列出下料单：每根钢筋距中心的距离、弦长和下料长度（按长度分组计数），\n"
           "               各方向和全部的合计，以及与公式总长度的差别和原因\n"
           "  --weight     按 " +
           MassRuleText("Φ") +
           " kg/m（Φ 为钢筋直径，单位毫米）计算钢筋总长度的理论重量\n"
           "  --svg 文件   把网片画成 SVG 图（圆、钢筋、D 和 d 的尺寸、合计），写入该文件\n"
           "  --json       以 JSON 输出结果、中间值，以及 --bars 的下料单和 --weight 的重量\n"
           "  --bars-csv 文件\n"
           "               把下料单写成 CSV "
           "文件（表头、每行的距中心、弦长、下料长度和根数、合计）\n"
           "  --csv 文件   批量计算：每行 D,Φ,d,布置形式[,备注]，首行可为表头；文件为 - "
           "时读标准输入。\n"
           "               布置形式为 " +
           ArrangementNamesList() +
           "。\n"
           "               文件可为 UTF-8（可带 BOM）、GB18030/GBK 或带 BOM 的 UTF-16，\n"
           "               也可为 Excel 工作簿（.xlsx，读第一张工作表）；--order、--cut、--store "
           "同样。\n"
           "               结果以 UTF-8 CSV "
           "写到标准输出：原字段、total_m、weight_kg、error（无法计算的原因）。\n"
           "               退出码：0 全部计算成功，1 有行无法计算，2 文件无法打开、读取或解码\n"
           "  --order 文件 钢筋采购与下料：工程清单为 --csv 的批量文件，可多两列数量和级别\n"
           "               （D,Φ,d,布置形式[,备注[,数量[,级别]]]，数量为相同网片的个数，空着为 "
           "1）；\n"
           "               直条钢筋一行：长度,Φ,,直条[,备注[,根数[,级别]]]（长度单位米）；\n"
           "               按级别和钢筋直径列出要采购的定尺钢筋或盘条、理论重量和下料方案\n"
           "               级别为 HPB300、HRB400、HRB400E、HRBF400、HRB500、HRB500E、RRB400、\n"
           "               CRB550 之一（大小写不限），空着为未注明级别\n"
           "  --cut 文件   同上，读下料清单：每行 "
           "长度,根数[,直径][,备注][,级别]，长度和直径单位米；\n"
           "               表头注明单位时按表头，如 长度(mm)、直径（毫米）；长度应在 0.05 到\n"
           "               100 米之间，直径在 3 到 50 毫米之间，否则该行不计入并提示单位\n"
           "  --stock 长度 定尺长度（米），多个用逗号、顿号、分号或 / 分开，默认 9,12；\n"
           "               可带每吨价格（元）如 9:3900,12:3850，方案即按费用最省\n"
           "  --kerf 宽度  每个锯口耗去的长度（米），默认 0（剪切下料）：一根定尺上 k 段之间\n"
           "               有 k−1 个锯口，段长与锯口之和不超过定尺；末段之后有余料时再锯一口\n"
           "  --keep 长度  不短于此长度（米）的余料留用，其余计为废料，默认 0.5\n"
           "  --lap 长度   钢筋长于定尺时搭接接长：钢筋直径的倍数如 36d，或米数如 0.5\n"
           "               （不小于 0.3 米）\n"
           "  --couplers   钢筋长于定尺时用机械连接套筒接长（不搭接）\n"
           "               长于定尺的钢筋若未给出 --lap 或 --couplers，不出方案并列出这些钢筋\n"
           "  --coils 直径 此直径（毫米）及以下的钢筋按盘条（盘螺）重量采购、调直切断，\n"
           "               不排定尺下料、不接长，默认 10；0 为全部按定尺采购\n"
           "  --shear 直径:根数\n"
           "               切断机每次切断的根数（直径单位毫米），如 12:6,16:4；未给出的直径按\n"
           "               常见的 40 型切断机：" +
           CommonShearText() +
           "；\n"
           "               每种切法的切断次数 = 按每次根数成捆的捆数 × 每根的锯口数\n"
           "  --store 文件 先用库存：每行 直径,长度,根数[,级别][,单价][,备注]（米；单价为元/吨，\n"
           "               空着为 "
           "0，即已付款）；同级别、同直径的库存钢筋在更省时先用，不超过库存根数\n"
           "  --store-out 文件\n"
           "               把下料后的库存写成同样格式的文件：剩下的库存和本次留用的余料（备注注明\n"
           "               来自哪个清单和日期）；可与 --store 是同一个文件，方案不成时不改动\n"
           "  --order-csv 文件\n"
           "               把采购与下料方案写成 CSV 文件\n"
           "  --order-svg 文件\n"
           "               把下料方案画成 SVG 图（每种切法一条，按比例）\n"
           "  --order-xlsx 文件\n"
           "               把采购与下料方案写成 Excel "
           "工作簿（.xlsx）：汇总、下料单、切割方案、余料\n"
           "               四张表，数值为数字单元格，A4 打印，每页重复表头\n"
           "  --prepared-by 姓名, --checked-by 姓名\n"
           "               下料单表头的编制人、审核人，不给出时留空待签\n"
           "  --bom        CSV 输出（--csv 的结果、--bars-csv 和 --order-csv 的文件）以 UTF-8 BOM "
           "开头，\n"
           "               中文 Windows 上的 Excel 据此按 UTF-8 打开，不会出现乱码\n"
           "  --help       显示本帮助\n"
           "  --version    显示版本\n"
           "\n"
           "数值按窗口的规则读取：读取开头的数字，0.1m 读作 0.1，abc 读作 0。\n"
           "\n"
           "例：tavrilo-calc --order 工程.csv --lap 36d --order-csv 采购.csv --bom\n"
           "    按工程清单中的网片和直条钢筋计算每种级别、直径要采购的 9 m、12 m 定尺钢筋\n"
           "    和下料方案（10 mm 及以下按盘条重量采购），长于 12 m 的钢筋按 36 倍钢筋直径搭接，\n"
           "    方案另存为 Excel 可打开的 CSV。\n";
}

struct Options {
    std::vector<std::string_view> values;
    std::optional<Arrangement> arrangement;
    bool breakdown = false;
    bool bars = false;
    bool weight = false;
    bool json = false;
    std::optional<std::string_view> svgPath;
    std::optional<std::string_view> csvPath;
    std::optional<std::string_view> barsCsvPath;
    // The steel order: a schedule (--order) or a piece list (--cut), its
    // settings and its files.
    std::optional<std::string_view> orderPath;
    std::optional<std::string_view> cutPath;
    std::optional<std::string_view> stock;
    std::optional<std::string_view> kerf;
    std::optional<std::string_view> keep;
    std::optional<std::string_view> lap;
    bool couplers = false;
    std::optional<std::string_view> coils;
    std::optional<std::string_view> shear;
    std::optional<std::string_view> storePath;
    std::optional<std::string_view> storeOutPath;
    std::optional<std::string_view> orderCsvPath;
    std::optional<std::string_view> orderSvgPath;
    std::optional<std::string_view> orderXlsxPath;
    std::optional<std::string_view> preparedBy;
    std::optional<std::string_view> checkedBy;
    bool bom = false;
    bool help = false;
    bool version = false;
};

// A leading '-' followed by a digit or a period is a negative value, not an option.
bool LooksLikeOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-')
        return false;
    const char c = arg[1];
    return !(c >= '0' && c <= '9') && c != '.';
}

// For an option that takes a file: the file from "--name=FILE" or from the
// next argument. Returns the reason when it is missing or given twice.
std::optional<std::string> TakeFile(std::string_view name, std::string_view arg,
                                    std::span<const std::string_view> args, std::size_t& i,
                                    std::optional<std::string_view>& into,
                                    std::string_view what = "一个文件名") {
    std::string_view value;
    if (arg.size() > name.size()) {
        value = arg.substr(name.size() + 1);
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        return std::string(name) + " 需要" + std::string(what);
    }
    if (value.empty())
        return std::string(name) + " 需要" + std::string(what);
    if (into)
        return std::string(name) + " 只能给出一次";
    into = value;
    return std::nullopt;
}

bool IsFileOption(std::string_view arg, std::string_view name) {
    return arg == name ||
           (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
}

// The options that are set by their name alone.
struct SwitchOption {
    std::string_view name;
    bool Options::*into;
};
constexpr std::array<SwitchOption, 9> kSwitchOptions{{
    {"--couplers", &Options::couplers},
    {"--breakdown", &Options::breakdown},
    {"--bars", &Options::bars},
    {"--weight", &Options::weight},
    {"--json", &Options::json},
    {"--bom", &Options::bom},
    {"--help", &Options::help},
    {"-h", &Options::help},
    {"--version", &Options::version},
}};

// The options that take a file or a value, as "--name FILE" or "--name=FILE".
struct FileOption {
    std::string_view name;
    std::optional<std::string_view> Options::*into;
    bool notStandardOutput; // "-" is refused: the file is written besides standard output
    std::string_view what = "一个文件名"; // what the option needs, when it is missing
};
constexpr std::array<FileOption, 18> kFileOptions{{
    {"--svg", &Options::svgPath, true},
    {"--bars-csv", &Options::barsCsvPath, true},
    {"--csv", &Options::csvPath, false},
    {"--order-csv", &Options::orderCsvPath, true},
    {"--order-svg", &Options::orderSvgPath, true},
    {"--order-xlsx", &Options::orderXlsxPath, true},
    {"--prepared-by", &Options::preparedBy, false, "编制人姓名"},
    {"--checked-by", &Options::checkedBy, false, "审核人姓名"},
    {"--order", &Options::orderPath, false},
    {"--cut", &Options::cutPath, false},
    {"--stock", &Options::stock, false, "定尺长度"},
    {"--kerf", &Options::kerf, false, "锯缝宽度"},
    {"--keep", &Options::keep, false, "余料长度"},
    {"--lap", &Options::lap, false, "搭接长度"},
    {"--coils", &Options::coils, false, "盘条直径"},
    {"--shear", &Options::shear, false, "每次切断根数"},
    {"--store-out", &Options::storeOutPath, true},
    {"--store", &Options::storePath, true},
}};

// --one-way or --two-way; the reason when the other was given before.
std::optional<std::string> TakeArrangement(std::string_view arg, Options& options) {
    const Arrangement chosen = arg == "--one-way" ? Arrangement::OneWay : Arrangement::TwoWay;
    if (options.arrangement && *options.arrangement != chosen)
        return "--one-way 与 --two-way 不能同时使用";
    options.arrangement = chosen;
    return std::nullopt;
}

// The option `args[i]` (and its file, when it takes one, moving `i` past
// it); the reason when it is wrong or unknown.
std::optional<std::string> TakeOption(std::span<const std::string_view> args, std::size_t& i,
                                      Options& options) {
    const std::string_view arg = args[i];
    if (arg == "--one-way" || arg == "--two-way")
        return TakeArrangement(arg, options);
    for (const SwitchOption& option : kSwitchOptions) {
        if (arg == option.name) {
            options.*option.into = true;
            return std::nullopt;
        }
    }
    for (const FileOption& option : kFileOptions) {
        if (!IsFileOption(arg, option.name))
            continue;
        std::optional<std::string_view>& file = options.*option.into;
        if (auto problem = TakeFile(option.name, arg, args, i, file, option.what))
            return problem;
        if (option.notStandardOutput && *file == "-")
            return std::string(option.name) + " 需要一个文件名（不能写到标准输出）";
        return std::nullopt;
    }
    return "未知选项：" + std::string(arg);
}

// With --csv the values come from the file: the reason when an option for
// one mesh is given too.
std::optional<std::string> CheckBatchOptions(const Options& options) {
    if (!options.values.empty())
        return "--csv 从文件读取数值，不能再给出 D Φ d";
    const std::pair<bool, std::string_view> single[] = {
        {options.arrangement.has_value(), "--one-way/--two-way（布置形式在每行给出）"},
        {options.breakdown, "--breakdown"},
        {options.bars, "--bars"},
        {options.json, "--json"},
        {options.svgPath.has_value(), "--svg"},
        {options.barsCsvPath.has_value(), "--bars-csv"}};
    for (const auto& [given, name] : single)
        if (given)
            return "--csv 不能与 " + std::string(name) + " 同时使用";
    return std::nullopt;
}

// The steel order's options: together with nothing of one mesh or a batch,
// and its settings only with it.
std::optional<std::string> CheckOrder(const Options& options) {
    const bool order = options.orderPath || options.cutPath;
    if (!order) {
        const std::pair<bool, std::string_view> settings[] = {
            {options.stock.has_value(), "--stock"},
            {options.kerf.has_value(), "--kerf"},
            {options.keep.has_value(), "--keep"},
            {options.lap.has_value(), "--lap"},
            {options.couplers, "--couplers"},
            {options.coils.has_value(), "--coils"},
            {options.shear.has_value(), "--shear"},
            {options.storePath.has_value(), "--store"},
            {options.storeOutPath.has_value(), "--store-out"},
            {options.orderCsvPath.has_value(), "--order-csv"},
            {options.orderSvgPath.has_value(), "--order-svg"},
            {options.orderXlsxPath.has_value(), "--order-xlsx"},
            {options.preparedBy.has_value(), "--prepared-by"},
            {options.checkedBy.has_value(), "--checked-by"}};
        for (const auto& [given, name] : settings)
            if (given)
                return std::string(name) + " 只用于 --order 或 --cut";
        return std::nullopt;
    }
    const std::string_view name = options.orderPath ? "--order" : "--cut";
    if (options.orderPath && options.cutPath)
        return "--order 与 --cut 不能同时使用";
    if (!options.values.empty())
        return std::string(name) + " 从文件读取，不能再给出 D Φ d";
    if (options.lap && options.couplers)
        return "--lap 与 --couplers 不能同时使用";
    const std::pair<bool, std::string_view> single[] = {
        {options.arrangement.has_value(), "--one-way/--two-way"},
        {options.breakdown, "--breakdown"},
        {options.bars, "--bars"},
        {options.weight, "--weight"},
        {options.svgPath.has_value(), "--svg"},
        {options.barsCsvPath.has_value(), "--bars-csv"},
        {options.csvPath.has_value(), "--csv"}};
    for (const auto& [given, what] : single)
        if (given)
            return std::string(name) + " 不能与 " + std::string(what) + " 同时使用";
    if (options.bom && !options.orderCsvPath)
        return "--bom 只用于 --csv、--bars-csv 或 --order-csv 写出的 CSV";
    if ((options.preparedBy || options.checkedBy) && !options.orderXlsxPath)
        return std::string(options.preparedBy ? "--prepared-by" : "--checked-by") +
               " 只用于 --order-xlsx 写出的工作簿";
    return std::nullopt;
}

// One mesh: the reason when the values or the options do not make one.
std::optional<std::string> CheckMeshOptions(const Options& options) {
    if (options.bom && !options.barsCsvPath)
        return "--bom 只用于 --csv、--bars-csv 或 --order-csv 写出的 CSV";
    if (options.values.size() != 3)
        return "需要三个数值 D Φ d，实际给出 " + std::to_string(options.values.size()) + " 个";
    return std::nullopt;
}

// Whether two file names name one file: the same path once made absolute and
// normal, or (for files that exist) the same file through a link.
bool SameFile(std::string_view a, std::string_view b) {
    std::error_code error;
    const std::filesystem::path first = std::filesystem::absolute(PathFromUtf8(a), error);
    const std::filesystem::path second = std::filesystem::absolute(PathFromUtf8(b), error);
    if (first.lexically_normal() == second.lexically_normal())
        return true;
    return std::filesystem::equivalent(first, second, error) && !error;
}

// A file written must be neither a file read nor another file written: the
// reason when one is (an order written over its own piece list would lose it).
std::optional<std::string> CheckFileClash(const Options& options) {
    using Named = std::pair<std::string_view, std::optional<std::string_view>>;
    const Named read[] = {{"--csv", options.csvPath},
                          {"--order", options.orderPath},
                          {"--cut", options.cutPath},
                          {"--store", options.storePath}};
    const Named written[] = {{"--svg", options.svgPath},
                             {"--bars-csv", options.barsCsvPath},
                             {"--order-csv", options.orderCsvPath},
                             {"--order-svg", options.orderSvgPath},
                             {"--order-xlsx", options.orderXlsxPath},
                             {"--store-out", options.storeOutPath}};
    for (std::size_t i = 0; i < std::size(written); ++i) {
        const auto& [name, path] = written[i];
        if (!path)
            continue;
        for (const auto& [inputName, input] : read)
            if (input && *input != "-" && SameFile(*path, *input) &&
                !(name == "--store-out" && inputName == "--store")) // the store brought up to date
                return std::string(name) + " 与 " + std::string(inputName) + " 是同一个文件：" +
                       std::string(*path) + "（写出会覆盖读入的文件）";
        for (std::size_t j = 0; j < i; ++j)
            if (written[j].second && SameFile(*path, *written[j].second))
                return std::string(written[j].first) + " 与 " + std::string(name) +
                       " 是同一个文件：" + std::string(*path);
    }
    return std::nullopt;
}

// Fills `options`, or returns the reason the arguments are wrong.
std::optional<std::string> Parse(std::span<const std::string_view> args, Options& options) {
    bool onlyValues = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (onlyValues || !LooksLikeOption(arg))
            options.values.push_back(arg);
        else if (arg == "--")
            onlyValues = true;
        else if (auto problem = TakeOption(args, i, options))
            return problem;
    }
    if (options.help || options.version)
        return std::nullopt;
    if (auto problem = CheckFileClash(options))
        return problem;
    if (auto problem = CheckOrder(options))
        return problem;
    if (options.orderPath || options.cutPath)
        return std::nullopt;
    if (options.csvPath)
        return CheckBatchOptions(options);
    return CheckMeshOptions(options);
}

// Writes `content` to `path`, whole or not at all; the reason when it cannot.
std::optional<std::string> WriteFile(std::string_view path, const std::string& content) {
    if (const auto fault = WriteFileAtomically(PathFromUtf8(path), content))
        return "无法写入文件 " + std::string(path) + "：" + ReasonText(*fault);
    return std::nullopt;
}

int RunOne(const Options& options, std::ostream& out, std::ostream& err) {
    MeshRequest request;
    request.MeshDiameter = options.values[0];
    request.BarDiameter = options.values[1];
    request.BarSpacing = options.values[2];
    request.Layout = options.arrangement.value_or(Arrangement::TwoWay);
    request.Extras.Breakdown = options.breakdown;
    request.Extras.CutList = options.bars;
    request.Extras.Weight = options.weight;
    request.Extras.Drawing = options.svgPath.has_value();
    request.Extras.Json = options.json;
    request.Extras.CutListCsv = options.barsCsvPath.has_value();
    const MeshAnswer answer = AnswerMesh(request);
    if (answer.Refusal) {
        err << answer.Refusal->Message << '\n';
        return answer.Refusal->ByInput ? kInvalidInput : kCannotComplete;
    }
    if (options.svgPath) {
        if (auto problem = WriteFile(*options.svgPath, answer.Svg)) {
            err << *problem << '\n';
            return kCannotComplete;
        }
    }
    if (options.barsCsvPath) {
        const std::string csv =
            (options.bom ? std::string(kByteOrderMark) : std::string()) + answer.CutListCsv;
        if (auto problem = WriteFile(*options.barsCsvPath, csv)) {
            err << *problem << '\n';
            return kCannotComplete;
        }
    }
    out << answer.Printed();
    return kOk;
}

int RunCommand(std::span<const std::string_view> args, std::istream& in, std::ostream& out,
               std::ostream& err) {
    Options options;
    if (auto problem = Parse(args, options)) {
        err << "tavrilo-calc：" << *problem << "\n\n" << UsageText();
        return kUsage;
    }
    if (options.help) {
        out << UsageText();
        return kOk;
    }
    if (options.version) {
        out << kVersion << '\n';
        return kOk;
    }
    if (options.orderPath || options.cutPath) {
        OrderOptions order;
        order.Source = options.orderPath ? OrderSource::Schedule : OrderSource::PieceList;
        order.Path = options.orderPath ? *options.orderPath : *options.cutPath;
        order.Settings = {options.stock,    options.kerf,  options.keep, options.lap,
                          options.couplers, options.coils, options.shear};
        order.Json = options.json;
        order.CsvPath = options.orderCsvPath;
        order.SvgPath = options.orderSvgPath;
        order.XlsxPath = options.orderXlsxPath;
        order.PreparedBy = options.preparedBy.value_or("");
        order.CheckedBy = options.checkedBy.value_or("");
        order.ByteOrderMark = options.bom;
        order.StorePath = options.storePath;
        order.StoreOutPath = options.storeOutPath;
        return RunOrder(order, in, out, err);
    }
    if (options.csvPath)
        return RunBatch(*options.csvPath, options.bom, in, out, err);
    return RunOne(options, out, err);
}

} // namespace

int Run(std::span<const std::string_view> args, std::istream& in, std::ostream& out,
        std::ostream& err) {
    int status = kCannotComplete;
    // Memory is bounded for any input; should it still run out, or anything
    // else go wrong past the checks, say so rather than abort.
    try {
        status = RunCommand(args, in, out, err);
    } catch (const std::bad_alloc&) {
        err << "内存不足，无法完成计算\n";
        return kCannotComplete;
    } catch (const std::exception& e) {
        err << "内部错误：" << e.what() << '\n';
        return kCannotComplete;
    }
    // A failed command has said why already; the batch checks its own output as it goes.
    if (status != kCannotComplete && !OutputWritten(out, err))
        return kCannotComplete;
    return status;
}

} // namespace tavrilo::cli
