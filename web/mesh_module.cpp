// The calculation as a WebAssembly module for the page (a WASI reactor with
// no imports). JavaScript copies each typed text into memory from
// tavrilo_alloc, calls tavrilo_mesh_text, reads the answer from
// tavrilo_result_ptr / tavrilo_result_len and gives the texts back with
// tavrilo_free. The module keeps one answer: the next call replaces it.

#include "app/mesh_request.h"
#include "text/messages.h"

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The statuses of tavrilo-calc (cli/exit_code.h).
constexpr int kOk = 0;
constexpr int kInvalidInput = 1;
constexpr int kCalcFailed = 2;

std::string answer;

std::string_view Text(const char* data, std::size_t size) {
    return data != nullptr ? std::string_view(data, size) : std::string_view();
}

} // namespace

extern "C" {

// A buffer of `size` bytes for JavaScript to write into; null when there is no
// memory left.
__attribute__((export_name("tavrilo_alloc"))) void* tavrilo_alloc(std::size_t size) {
    return std::malloc(size != 0 ? size : 1);
}

__attribute__((export_name("tavrilo_free"))) void tavrilo_free(void* buffer) {
    std::free(buffer);
}

// What `tavrilo-calc D Φ d --one-way` (arrangement 1) or `--two-way`
// (arrangement 2) writes for the three typed texts (UTF-8): the total as
// "27.533 m\n", or the reason there is none. Returns tavrilo-calc's exit
// status: 0 for a total, 1 for input to correct, 2 for a failed calculation.
// Any other arrangement is refused as the window refuses a missing choice.
__attribute__((export_name("tavrilo_mesh_text"))) int
tavrilo_mesh_text(const char* meshDiameter, std::size_t meshDiameterSize, const char* barDiameter,
                  std::size_t barDiameterSize, const char* spacing, std::size_t spacingSize,
                  int arrangement) {
    using namespace tavrilo;
    if (arrangement != 1 && arrangement != 2) {
        answer.assign(kNoArrangementMessage).push_back('\n');
        return kInvalidInput;
    }
    MeshRequest request;
    request.MeshDiameter = Text(meshDiameter, meshDiameterSize);
    request.BarDiameter = Text(barDiameter, barDiameterSize);
    request.BarSpacing = Text(spacing, spacingSize);
    request.Layout = arrangement == 1 ? Arrangement::OneWay : Arrangement::TwoWay;
    const MeshAnswer result = AnswerMesh(request);
    if (result.Refusal) {
        answer = result.Refusal->Message + '\n';
        return result.Refusal->ByInput ? kInvalidInput : kCalcFailed;
    }
    answer = result.Printed();
    return kOk;
}

__attribute__((export_name("tavrilo_result_ptr"))) const char* tavrilo_result_ptr() {
    return answer.data();
}

__attribute__((export_name("tavrilo_result_len"))) std::size_t tavrilo_result_len() {
    return answer.size();
}

} // extern "C"
