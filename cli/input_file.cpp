#include "cli/input_file.h"

#include "cli/file_path.h"
#include "cli/system_error.h"
#include "text/messages.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

namespace tavrilo::cli {

InputFile::InputFile(std::string_view path, std::istream& in, std::ostream& err)
    : name_(path == "-" ? "标准输入" : std::string(path)) {
    if (path == "-") {
        source_ = &in;
        return;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(PathFromUtf8(path), ignored)) {
        err << "无法打开文件 " << name_ << "：" << FileFaultReason(FileFault::IsFolder) << '\n';
        return;
    }
    file_.open(PathFromUtf8(path), std::ios::binary);
    if (!file_) {
        err << "无法打开文件 " << name_ << "：" << ReasonText(LastErrno()) << '\n';
        return;
    }
    source_ = &file_;
}

bool InputFile::ReadFailed() const {
    return source_->bad() || (source_ == &std::cin && std::ferror(stdin) != 0);
}

} // namespace tavrilo::cli
