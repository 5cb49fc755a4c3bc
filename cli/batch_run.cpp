#include "cli/batch_run.h"

#include "cli/decode.h"
#include "cli/exit_code.h"
#include "cli/file_path.h"
#include "cli/output.h"
#include "report/batch.h"
#include "report/csv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tavrilo::cli {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kSliceBytes = 4 * 1024;

// Evaluates records as they come and keeps the output in a buffer that is
// written out whenever it grows past a chunk.
class BatchWriter {
public:
    BatchWriter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {
        AppendCsvRow(buffer_, BatchHeader());
    }

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

    // Writes out what is buffered. Once a write has failed nothing more is
    // written: the batch is to stop there.
    void Flush() {
        if (writeFailed_)
            return;
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
        writeFailed_ = !OutputWritten(out_, err_);
    }

    // Whether output could not be written (and the failure was reported).
    bool WriteFailed() const { return writeFailed_; }

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
    std::ostream& err_;
    std::string buffer_;
    bool writeFailed_ = false;
    bool first_ = true;
    long long rows_ = 0;
    long long failed_ = 0;
};

// Whether the last read from `source` failed, rather than reached the end.
// Standard input read through C stdio (the streams synchronised with it, as
// they are by default) takes a read error for the end of the file: stdio
// keeps the difference.
bool ReadFailed(const std::istream& source) {
    return source.bad() || (&source == &std::cin && std::ferror(stdin) != 0);
}

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
    BatchWriter writer(out, err);
    std::vector<CsvRecord> records;
    std::string bytes(kChunkBytes, '\0');
    std::string text;
    // The text goes to the reader in slices, so that few records wait at a
    // time however short they are.
    auto take = [&](std::string_view piece) {
        for (std::size_t at = 0; at < piece.size(); at += kSliceBytes) {
            reader.Feed(piece.substr(at, kSliceBytes), records);
            writer.Take(records);
        }
    };
    bool decoded = true;
    bool readFailed = false;
    int readError = 0;
    while (decoded && !readFailed && *source && !writer.WriteFailed()) {
        errno = 0;
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        readFailed = ReadFailed(*source);
        readError = errno;
        text.clear();
        decoded = decoder.Feed(std::string_view(bytes.data(), got), text);
        take(text);
    }
    if (writer.WriteFailed())
        return kCalcFailed;
    if (decoded) {
        text.clear();
        decoded = decoder.Finish(text);
        take(text); // after a read error: the rows completed before it
    }
    if (readFailed) {
        err << "读取 " << name << " 时出错：" << std::strerror(readError) << writer.Abandon()
            << '\n';
        return kCalcFailed;
    }
    if (!decoded) {
        err << "无法解码 " << name << "：" << decoder.Problem() << writer.Abandon() << '\n';
        return kCalcFailed;
    }
    reader.Finish(records);
    writer.Take(records);
    writer.Flush();
    if (writer.WriteFailed())
        return kCalcFailed;
    if (writer.Failed() > 0) {
        err << "共 " << writer.Rows() << " 行，其中 " << writer.Failed()
            << " 行无法计算，原因见 error 列\n";
        return kInvalidInput;
    }
    return kOk;
}

} // namespace tavrilo::cli
