// The configuration file reader from raw bytes. A file it accepts must write
// back to bytes that load as the same record; a file it refuses leaves the
// record alone and says why.
#include "config/config_file.h"
#include "fuzz_support.h"

namespace {

UnitConfig marked_config()
{
    UnitConfig c;
    for (int row = 0; row < kChannelCount; ++row)
        c.channels[row].regim = 1000 + row;
    c.kross = -7;
    return c;
}

}  // namespace

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
