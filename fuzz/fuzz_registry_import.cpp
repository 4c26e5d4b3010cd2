// Feeds arbitrary bytes to the REGEDIT4 import. Whatever the input, the import must answer 0
// or 1, leave no key handle open, and leave a registry that still exports.
#include "registry/registry_access.h"
#include "registry/serial_comm_key.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Long lines are covered by the unit tests; small inputs keep the runs fast.
    if (size > 64 * 1024)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    kpr::InMemoryRegistry backend;
    kpr::attachSerialCommKey(backend, [] {
        return std::vector<std::string>{"COM3", "/dev/ttyUSB0"};
    });
    backend.setReadOnly(kpr::HKeyCurrentUser, "Locked", true);
    kpr::clsRegistryAccess ra(backend);

    const int rc = ra.ImportFromRegText(text);
    if (rc != 0 && rc != 1)
        std::abort();

    std::string exported;
    for (const char* root : {"HKCU", "HKLM", "HKCR", "HKUS", "HKCC", "HKPD", "HKDD"})
        if (ra.ExportToRegText(root, exported, true) != 1)
            std::abort();

    // The hex conversions are inverse for any bytes.
    const std::string bytes = kpr::clsRegistryAccess::StrToBin(text);
    if (kpr::clsRegistryAccess::StrToBin(kpr::clsRegistryAccess::BinToStr(bytes)) != bytes)
        std::abort();

    if (backend.openHandleCount() != 0)
        std::abort();
    return 0;
}
