#include "cli/output.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace tavrilo::cli {

bool OutputWritten(std::ostream& out, std::ostream& err) {
    errno = 0;
    out.flush();
    if (out)
        return true;
    const int error = errno;
    err << "写入 标准输出 时出错";
    if (error != 0)
        err << "：" << std::strerror(error);
    err << '\n';
    return false;
}

} // namespace tavrilo::cli
