#include "cli/batch_run.h"

#include "cli/cli.h"
#include "cli/decode.h"
#include "cli/file_path.h"
#include "report/batch.h"
#include "report/csv.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tavrilo::cli {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// Evaluates records as they come and keeps the output in a buffer that is
// written out whenever it grows past a chunk.
class BatchWriter {
public:
    explicit BatchWriter(std::ostream& out) : out_(out) { AppendCsvRow(buffer_, BatchHeader()); }

    void Take(std::vector<CsvRecord>& records) {
        for (const CsvRecord& record : records) {
            if (IsBlankRecord(record))
                continue;
            if (first_) {
                first_ = false;
                if (record.Problem == CsvRecordProblem::None && !record.Fields.empty() &&
                    !BeginsWithNumber(record.Fields.front()))
                    continue; // the header
            }
            const BatchRow row = EvaluateBatchRecord(record);
            ++rows_;
            if (!row.Calculated)
                ++failed_;
            AppendCsvRow(buffer_, row.Fields);
        }
        records.clear();
        if (buffer_.size() >= kChunkBytes)
            Flush();
    }

    void Flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

    // Stops the batch part-way: the rows already answered are kept, the
    // header alone is not. Returns what to add to the report of the failure.
    std::string Abandon() {
        if (rows_ == 0)
            return "";
        Flush();
        return "（已输出前 " + std::to_string(rows_) + " 行的结果）";
    }

    long long Rows() const { return rows_; }
    long long Failed() const { return failed_; }

private:
    std::ostream& out_;
    std::string buffer_;
    bool first_ = true;
    long long rows_ = 0;
    long long failed_ = 0;
};

} // namespace

int RunBatch(std::string_view path, std::istream& in, std::ostream& out, std::ostream& err) {
    std::ifstream file;
    std::istream* source = &in;
    const std::string name = path == "-" ? "标准输入" : std::string(path);
    if (path != "-") {
        std::error_code ignored;
        if (std::filesystem::is_directory(PathFromUtf8(path), ignored)) {
            err << "无法打开文件 " << name << "：这是一个文件夹\n";
            return kCalcFailed;
        }
        file.open(PathFromUtf8(path), std::ios::binary);
        if (!file) {
            err << "无法打开文件 " << name << "：" << std::strerror(errno) << '\n';
            return kCalcFailed;
        }
        source = &file;
    }

    TextDecoder decoder;
    CsvReader reader;
    BatchWriter writer(out);
    std::vector<CsvRecord> records;
    std::string bytes(kChunkBytes, '\0');
    std::string text;
    bool decoded = true;
    while (decoded && *source) {
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        if (source->bad())
            break;
        text.clear();
        decoded = decoder.Feed(std::string_view(bytes.data(), got), text);
        reader.Feed(text, records);
        writer.Take(records);
    }
    if (source->bad()) {
        err << "读取 " << name << " 时出错：" << std::strerror(errno) << writer.Abandon() << '\n';
        return kCalcFailed;
    }
    if (decoded) {
        text.clear();
        decoded = decoder.Finish(text);
        reader.Feed(text, records);
    }
    if (!decoded) {
        err << "无法解码 " << name << "：" << decoder.Problem() << writer.Abandon() << '\n';
        return kCalcFailed;
    }
    reader.Finish(records);
    writer.Take(records);
    writer.Flush();
    out.flush();
    if (!out) {
        err << "写入输出时出错\n";
        return kCalcFailed;
    }
    if (writer.Failed() > 0) {
        err << "共 " << writer.Rows() << " 行，其中 " << writer.Failed()
            << " 行无法计算，原因见 error 列\n";
        return kInvalidInput;
    }
    return kOk;
}

} // namespace tavrilo::cli
