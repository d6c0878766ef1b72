// Fuzz target: the commission file reader. Whatever loads must save, and the saved file
// must load again to the same bytes (the input itself may use longer string prefixes).
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
        CAdmComisiones again;
        CArchive reread{std::string_view(out)};
        again.Serialize(reread);
        std::string out2;
        CArchive store2(&out2);
        again.Serialize(store2);
        if (out2 != out) std::abort();
        for (const stComision& r : adm.Records()) adm.CalculateCommission(r.name, r.from, r.kind);
    } catch (const CArchiveException&) {
    }
    return 0;
}
