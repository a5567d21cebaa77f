// The configuration file reader from raw bytes. A file it accepts must write
// back to bytes that load as the same record; a file it refuses leaves the
// record alone and says why.
#include "config/config_file.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t max_size);

namespace {

// The span of a tag, from a '<' at or after from to the next '>', picked at
// random; empty when there is none.
std::pair<size_t, size_t> pick_tag(const uint8_t *data, size_t size, size_t from, std::minstd_rand &random)
{
    std::vector<size_t> starts;
    for (size_t i = from; i < size; ++i)
        if (data[i] == '<')
            starts.push_back(i);
    if (starts.empty())
        return {0, 0};
    const size_t begin = starts[random() % starts.size()];
    const uint8_t *close = static_cast<const uint8_t *>(std::memchr(data + begin, '>', size - begin));
    return close ? std::make_pair(begin, size_t(close - data) + 1) : std::make_pair(size_t(0), size_t(0));
}

// Repeats one tag, or two tags the same number of times, up to max_size:
// many siblings, or an element nested in itself thousands of levels deep.
// libFuzzer's own mutations grow an input in small steps and seldom take it
// past a few KB in a run; one in sixteen mutations is this one.
size_t repeat_tags(uint8_t *data, size_t size, size_t max_size, unsigned seed)
{
    std::minstd_rand random(seed);
    const auto first = pick_tag(data, size, 0, random);
    if (first.second == 0)
        return LLVMFuzzerMutate(data, size, max_size);
    auto second = std::make_pair(first.second, first.second);
    if (random() % 4 != 0) {
        // For a start tag its end tag, if there is one; else any later tag.
        auto tag = pick_tag(data, size, first.second, random);
        const std::string start(data + first.first + 1, data + first.second - 1);
        const std::string end = "</" + start + ">";
        const auto found = std::search(data + first.second, data + size, end.begin(), end.end());
        if (start.find_first_of("/!? ") == std::string::npos && found != data + size)
            tag = {size_t(found - data), size_t(found - data) + end.size()};
        if (tag.second != 0)
            second = tag;
    }
    const size_t unit = (first.second - first.first) + (second.second - second.first);
    const size_t count = std::min<size_t>(size_t(1) << (random() % 16), (max_size - size) / unit);
    if (count == 0)
        return LLVMFuzzerMutate(data, size, max_size);
    std::vector<uint8_t> out(data, data + first.second);
    for (size_t k = 0; k < count; ++k)
        out.insert(out.end(), data + first.first, data + first.second);
    out.insert(out.end(), data + first.second, data + second.second);
    for (size_t k = 0; k < count && second.second > second.first; ++k)
        out.insert(out.end(), data + second.first, data + second.second);
    out.insert(out.end(), data + second.second, data + size);
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

UnitConfig marked_config()
{
    UnitConfig c;
    for (int row = 0; row < kChannelCount; ++row)
        c.channels[row].regim = 1000 + row;
    c.kross = -7;
    return c;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t max_size, unsigned seed)
{
    if (seed % 16 == 0)
        return repeat_tags(data, size, max_size, seed);
    return LLVMFuzzerMutate(data, size, max_size);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const UnitConfig before = marked_config();
    UnitConfig out = before;
    const ConfigLoadResult result = load_config_bytes(fuzz::bytes_of(data, size), out);
    if (!result.ok) {
        FUZZ_CHECK(out == before);
        FUZZ_CHECK(!result.title.isEmpty());
        return 0;
    }
    const QByteArray written = config_file_bytes(out);
    UnitConfig again;
    FUZZ_CHECK(load_config_bytes(written, again).ok);
    FUZZ_CHECK(again == out);
    FUZZ_CHECK(config_file_bytes(again) == written);
    return 0;
}
