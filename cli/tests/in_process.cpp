#include "cli/tests/in_process.h"

#include "cli/cli.h"

#include <sstream>
#include <string_view>

namespace tavrilo::test {

Outcome RunCalcHere(const std::vector<std::string>& args, const std::string& input) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    Outcome o;
    o.status = cli::Run(views, in, out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

} // namespace tavrilo::test
