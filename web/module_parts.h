#pragma once

// The module's one answer, shared by its exports: each call clears the parts
// and fills those it answers with (module_interface.h names them).

#include "web/module_interface.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo::page {

std::string& PartText(Part part);
void ClearParts();

// The text of a file read in, as its readers take it: an Excel workbook's
// first sheet as CSV text, any other file's bytes as they are; nothing (why
// in part Printed, for the file `name`) when a workbook cannot be read.
std::optional<std::string> FileText(std::string_view bytes, std::string_view name);

// A text passed by the page: its bytes, or an empty text for a null.
inline std::string_view Text(const char* data, std::size_t size) {
    return data != nullptr ? std::string_view(data, size) : std::string_view();
}

// A setting typed on the page; a null text is one not given.
inline std::optional<std::string_view> Setting(const char* data, std::size_t size) {
    if (data == nullptr)
        return std::nullopt;
    return std::string_view(data, size);
}

} // namespace tavrilo::page
