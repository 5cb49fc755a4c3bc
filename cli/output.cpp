#include "cli/output.h"

#include "text/messages.h"

#include <cerrno>
#include <ostream>

namespace tavrilo::cli {
namespace {

// Where NoteWriteFault keeps the fault in the stream's own storage.
int SourceSlot() {
    static const int slot = std::ios_base::xalloc();
    return slot;
}
int CodeSlot() {
    static const int slot = std::ios_base::xalloc();
    return slot;
}

} // namespace

void NoteWriteFault(std::ostream& out, SystemError fault) {
    if (out.iword(CodeSlot()) != 0)
        return; // the first fault is the one to tell
    out.iword(SourceSlot()) = static_cast<long>(fault.from);
    out.iword(CodeSlot()) = fault.code;
}

bool OutputWritten(std::ostream& out, std::ostream& err) {
    errno = 0;
    out.flush();
    if (out)
        return true;
    SystemError fault = LastErrno();
    if (const long code = out.iword(CodeSlot()); code != 0)
        fault = {static_cast<SystemError::Source>(out.iword(SourceSlot())), static_cast<int>(code)};
    err << kStandardOutputWriteFailed;
    if (const std::string reason = ReasonText(fault); !reason.empty())
        err << "：" << reason;
    err << '\n';
    return false;
}

} // namespace tavrilo::cli
