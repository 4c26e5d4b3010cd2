#include "registry/serial_comm_key.h"

#include "registry/registry_access.h"

namespace kpr {

void attachSerialCommKey(InMemoryRegistry& registry, PortNameSource ports) {
    registry.setReadOnly(HKeyLocalMachine, "HARDWARE", true);
    registry.setReadOnly(HKeyLocalMachine, "HARDWARE\\DEVICEMAP", true);
    registry.setReadOnly(HKeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM", true);
    registry.setLiveValues(HKeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                           [ports = std::move(ports)]() {
                               std::vector<RegValue> values;
                               if (!ports)
                                   return values;
                               const std::vector<std::string> names = ports();
                               values.reserve(names.size());
                               for (std::size_t i = 0; i < names.size(); ++i) {
                                   RegValue v;
                                   v.name = "\\Device\\Serial" + std::to_string(i);
                                   v.type = reg::TypeString;
                                   // Stored with its terminating zero, as the system stores this
                                   // key's strings.
                                   v.data.assign(names[i].begin(), names[i].end());
                                   v.data.push_back(0);
                                   values.push_back(std::move(v));
                               }
                               return values;
                           });
}

std::unique_ptr<InMemoryRegistry> makeSystemRegistry(PortNameSource ports) {
    auto registry = std::make_unique<InMemoryRegistry>();
    attachSerialCommKey(*registry, std::move(ports));
    return registry;
}

PortNameSource serialCommView(PortNameSource system) {
    // One object, so the access is gone before the registry it reads.
    struct View {
        explicit View(PortNameSource s)
            : system(std::move(s)), registry(makeSystemRegistry(system)) {}
        PortNameSource system;
        std::unique_ptr<InMemoryRegistry> registry;
        clsRegistryAccess access{*registry};
    };
    auto view = std::make_shared<View>(std::move(system));
    return [view] {
        std::vector<std::string> names;
        std::vector<std::string> ports;
        if (view->access.EnumValues(SerialCommKeyPath, names, ports) < 0)
            return view->system();
        return ports;
    };
}

} // namespace kpr
