// Fuzz target: the commission file reader. Whatever loads must save to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commissions/comisiones.h"
#include "host/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CAdmComisiones adm;
    try {
        CArchive in{std::string_view(input)};
        adm.Serialize(in);
        std::string out;
        CArchive store(&out);
        adm.Serialize(store);
        if (input.compare(0, out.size(), out) != 0) std::abort();
        for (const stComision& r : adm.Records()) adm.CalculateCommission(r.name, r.from, r.kind);
    } catch (const CArchiveException&) {
    }
    return 0;
}
