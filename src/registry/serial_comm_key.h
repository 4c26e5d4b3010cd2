#pragma once
// The serial-port list as the registry shows it: the key HKLM\HARDWARE\DEVICEMAP\SERIALCOMM
// with one string value per port. Board discovery reads the list with
// clsRegistryAccess::EnumValues on that key; here the key is filled live from the ports the
// system lists at that moment.
#include "common/port_names.h"
#include "registry/memory_registry.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kpr {

inline constexpr const char* SerialCommKeyPath = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Port system names, such as "/dev/ttyUSB0" or "COM3", in the order the system lists them.
// The link layer passes its PortLister through this: [&lister] { return lister.ports(); }.

// Makes HARDWARE\DEVICEMAP\SERIALCOMM under HKLM a read-only key (as it is for an ordinary
// user) whose values are refilled from `ports` whenever the key is opened: value
// "\Device\Serial<i>" (i from 0, in list order), string data = the port's system name.
// HARDWARE and DEVICEMAP are read-only as well.
void attachSerialCommKey(InMemoryRegistry& registry, PortNameSource ports);

// An in-memory registry with the live serial-port key: the registry the program runs on.
std::unique_ptr<InMemoryRegistry> makeSystemRegistry(PortNameSource ports);

// The port list as board discovery reads it in both programs: the values of the SERIALCOMM
// key of such a registry, refilled from `system` at every look; `system`'s own list when the
// key cannot be read.
PortNameSource serialCommView(PortNameSource system);

} // namespace kpr
