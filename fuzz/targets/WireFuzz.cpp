// The records probelet-cli reads from its host process: any bytes, as a
// process that died mid-write leaves them, decode without reading past
// their end, and whatever decodes writes back as the very bytes it took.
#include "FuzzCheck.h"
#include "cli/Wire.h"

#include <string>

namespace {

template <class Record>
void RoundTrip(const char* data, size_t size) {
    cli::WireReader reader(data, size);
    for (;;) {
        const char* start = reader.Position();
        Record record;
        if (!cli::Get(reader, record)) return;
        cli::WireWriter writer;
        cli::Put(writer, record);
        FUZZ_CHECK(writer.Bytes() == std::string(start, reader.Position()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    switch (data[0] % 3) {
    case 0: RoundTrip<cli::FieldReport>(bytes, size - 1); break;
    case 1: RoundTrip<cli::FileReport>(bytes, size - 1); break;
    default: RoundTrip<cli::Problem>(bytes, size - 1); break;
    }
    return 0;
}
