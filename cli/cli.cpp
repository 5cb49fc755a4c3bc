#include "cli.h"

#include "mesh.h"
#include "messages.h"
#include "number.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tavrilo::cli {
namespace {

constexpr std::string_view kVersion = "tavrilo-calc 1.00.0001";

constexpr std::string_view kUsageText =
    "用法：tavrilo-calc D PHI S [--one-way | --two-way] [--breakdown]\n"
    "计算圆形钢筋网片的钢筋总长度（米）。\n"
    "\n"
    "  D            网片直径，单位米\n"
    "  PHI          钢筋直径，单位米\n"
    "  S            钢筋间距，单位米\n"
    "  --one-way    单向布置（钢筋平行布置）\n"
    "  --two-way    双向布置（交叉井字形布置，默认）\n"
    "  --breakdown  在结果之后列出中间值 n、r、A、S、C、T\n"
    "  --help       显示本帮助\n"
    "  --version    显示版本\n"
    "\n"
    "数值按窗口的规则读取：读取开头的数字，0.1m 读作 0.1，abc 读作 0。\n";

struct Options {
    std::vector<std::string_view> values;
    std::optional<Arrangement> arrangement;
    bool breakdown = false;
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

// Fills `options`, or returns the reason the arguments are wrong.
std::optional<std::string> Parse(std::span<const std::string_view> args, Options& options) {
    bool onlyValues = false;
    for (std::string_view arg : args) {
        if (onlyValues || !LooksLikeOption(arg)) {
            options.values.push_back(arg);
        } else if (arg == "--") {
            onlyValues = true;
        } else if (arg == "--one-way" || arg == "--two-way") {
            const Arrangement chosen =
                arg == "--one-way" ? Arrangement::OneWay : Arrangement::TwoWay;
            if (options.arrangement && *options.arrangement != chosen)
                return "--one-way 与 --two-way 不能同时使用";
            options.arrangement = chosen;
        } else if (arg == "--breakdown") {
            options.breakdown = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            return "未知选项：" + std::string(arg);
        }
    }
    if (!options.help && !options.version && options.values.size() != 3)
        return "需要三个数值 D PHI S，实际给出 " + std::to_string(options.values.size()) + " 个";
    return std::nullopt;
}

void PrintBreakdown(const MeshLengthBreakdown& b, std::ostream& out) {
    out << "n = " << ShortestRoundTrip(b.SpacingCount) << '\n'
        << "r = " << ShortestRoundTrip(b.SpacingRatio) << '\n'
        << "A = " << ShortestRoundTrip(b.AllowanceTerm) << '\n'
        << "S = " << ShortestRoundTrip(b.ChordSum) << '\n'
        << "C = " << ShortestRoundTrip(b.CentreTerm) << '\n'
        << "T = " << ShortestRoundTrip(b.Sum) << '\n';
}

} // namespace

int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    Options options;
    if (auto problem = Parse(args, options)) {
        err << "tavrilo-calc：" << *problem << "\n\n" << kUsageText;
        return kUsage;
    }
    if (options.help) {
        out << kUsageText;
        return kOk;
    }
    if (options.version) {
        out << kVersion << '\n';
        return kOk;
    }

    const MeshInputs inputs{ParseLeadingNumber(options.values[0]),
                            ParseLeadingNumber(options.values[1]),
                            ParseLeadingNumber(options.values[2])};
    if (!(inputs.MeshDiameter > 0.0 && inputs.BarDiameter > 0.0 && inputs.BarSpacing > 0.0)) {
        err << kNonPositiveMessage << '\n';
        return kInvalidInput;
    }

    const MeshLengthOutcome outcome =
        ComputeMeshLength(inputs, options.arrangement.value_or(Arrangement::TwoWay));
    if (const auto* error = std::get_if<CalcError>(&outcome)) {
        err << CalcErrorMessage(error->Kind) << '\n';
        return kCalcFailed;
    }
    const MeshLength& result = std::get<MeshLength>(outcome);
    if (IsNegativeTotal(result.Total)) {
        err << kNegativeTotalMessage << '\n';
        return kInvalidInput;
    }
    out << ResultText(result.Total) << '\n';
    if (options.breakdown)
        PrintBreakdown(result.Breakdown, out);
    return kOk;
}

} // namespace tavrilo::cli
