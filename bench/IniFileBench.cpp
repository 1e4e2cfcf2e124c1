#include "platform/IniFile.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string>

namespace {

// An extension object file of a large drawing: one section of 30 000 keys.
constexpr int kKeys = 30000;

std::string KeyName(int index)
{
    return "PX" + std::to_string(index);
}

void WriteKeys(qm::TIniFile& ini)
{
    ini.BeginUpdate();
    for (int i = 0; i < kKeys; ++i)
        ini.WriteInteger("0", KeyName(i), i);
    ini.EndUpdate();
}

void BM_WriteThirtyThousandKeysInOneBatch(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/big.ud2";
    for (auto _ : state) {
        qm::TIniFile ini(path);
        WriteKeys(ini);
    }
}
BENCHMARK(BM_WriteThirtyThousandKeysInOneBatch)->Unit(benchmark::kMillisecond);

void BM_LoadAndReadThirtyThousandKeys(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/big.ud2";
    {
        qm::TIniFile ini(path);
        WriteKeys(ini);
    }
    for (auto _ : state) {
        const qm::TIniFile ini(path);
        std::int64_t sum = 0;
        for (int i = 0; i < kKeys; ++i)
            sum += ini.ReadInteger("0", KeyName(i), 0);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LoadAndReadThirtyThousandKeys)->Unit(benchmark::kMillisecond);

} // namespace
