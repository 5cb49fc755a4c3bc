// The calculation against its floor, the same square roots in a bare loop,
// and a batch row (from its record to its line of output) against the
// calculation, on the same meshes.
#include "app/batch.h"
#include "calc/mesh.h"
#include "text/csv.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using tavrilo::Arrangement;
using tavrilo::ComputeMeshLength;
using tavrilo::MeshInputs;

void Mesh(benchmark::State& state, MeshInputs inputs) {
    for (auto _ : state) {
        auto outcome = ComputeMeshLength(inputs, Arrangement::TwoWay);
        benchmark::DoNotOptimize(outcome);
    }
}

// A batch row as the batch answers it: from the record the CSV reader has
// made (copies of it are made ahead, out of the timing, as the reader makes
// each) to its output fields.
void BatchRow(benchmark::State& state, const tavrilo::CsvRecord& record) {
    constexpr std::size_t kAhead = 4096;
    std::vector<tavrilo::CsvRecord> records;
    records.reserve(kAhead);
    for (auto _ : state) {
        if (records.empty()) {
            state.PauseTiming();
            records.assign(kAhead, record);
            for (tavrilo::CsvRecord& copy : records)
                copy.Fields.reserve(8); // as the CSV reader holds a record's fields
            state.ResumeTiming();
        }
        tavrilo::BatchRow row = tavrilo::EvaluateBatchRecord(std::move(records.back()));
        records.pop_back();
        benchmark::DoNotOptimize(row);
    }
}

tavrilo::CsvRecord Record(std::string D, std::string phi, std::string d) {
    tavrilo::CsvRecord record;
    record.Fields = {std::move(D), std::move(phi), std::move(d), "双向"};
    record.Line = 2;
    return record;
}

// The least any implementation must do: one square root per bar position.
void BareSquareRoots(benchmark::State& state) {
    const auto passes = static_cast<std::int32_t>(state.range(0));
    const auto odd = static_cast<bool>(state.range(1));
    double r = static_cast<double>(odd ? 2 * passes + 1 : 2 * passes);
    double s = 1.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(s);
        const double rSquared = r * r;
        double sum = 0.0;
        for (std::int32_t i = 1; i <= passes; ++i) {
            const double k = odd ? 2.0 * i : 2.0 * i - 1;
            sum = (s * 4) * std::sqrt(rSquared - k * k) + sum;
        }
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK_CAPTURE(Mesh, InitialValues, MeshInputs{1.3, 0.0065, 0.1});
BENCHMARK_CAPTURE(BatchRow, InitialValues, Record("1.3", "0.0065", "0.1"));
BENCHMARK_CAPTURE(Mesh, WorstEven32766, MeshInputs{32766, 0.01, 1});
BENCHMARK(BareSquareRoots)->Args({16383, 0})->Name("BareSquareRoots/Even32766");
BENCHMARK_CAPTURE(BatchRow, WorstEven32766, Record("32766", "0.01", "1"));
BENCHMARK_CAPTURE(Mesh, WorstOdd16383, MeshInputs{16383, 0.01, 1});
BENCHMARK_CAPTURE(BatchRow, WorstOdd16383, Record("16383", "0.01", "1"));
BENCHMARK(BareSquareRoots)->Args({8191, 1})->Name("BareSquareRoots/Odd16383");

} // namespace

BENCHMARK_MAIN();
