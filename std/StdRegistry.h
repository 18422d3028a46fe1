// Registry access by root number and textual key path: reading any value as
// text, writing string, binary and 32-bit values with the key path created
// level by level. Every key opened is closed before the call returns; no
// operation reports an error.
//
// Root number: 0..6 the predefined roots (0 HKEY_CLASSES_ROOT, 1
// HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS, 4
// HKEY_PERFORMANCE_DATA, 5 HKEY_CURRENT_CONFIG, 6 HKEY_DYN_DATA); -1: the key
// path begins with its root's name ("HKLM\SOFTWARE\X", "HKLM:\SOFTWARE\X",
// "HKEY_LOCAL_MACHINE/SOFTWARE/X"); any other value is a key handle.
// The value name "@" names the key's unnamed value.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace StdRegistry {

// Bytes that reach the registry unchanged.
using ByteBlock = std::vector<std::uint8_t>;

// The value rendered by its type: REG_SZ / REG_EXPAND_SZ / other types as
// text without the stored terminator (its last stored character dropped);
// REG_DWORD as signed decimal; REG_MULTI_SZ with CR LF after every string;
// REG_BINARY as a byte string, two bytes to a character, the first byte in
// the low half (an odd last byte fills the low half, the high half 0).
// The default when the key or the value does not exist; the empty text when
// the data can't be read after its size was learned.
std::u16string RegGetValue(std::int32_t root, const std::u16string& keyPath,
                           const std::u16string& valueName, const std::u16string& defaultValue);

// Writes a REG_SZ value (the text and its NUL), creating missing keys.
void RegSetString(std::int32_t root, const std::u16string& keyPath,
                  const std::u16string& valueName, const std::u16string& value);
// Writes a REG_BINARY value of exactly these bytes, creating missing keys.
void RegSetBinary(std::int32_t root, const std::u16string& keyPath,
                  const std::u16string& valueName, const ByteBlock& block);
// Writes a REG_DWORD value (four bytes, least significant first; a negative
// value as its two's complement).
void RegSetDword(std::int32_t root, const std::u16string& keyPath,
                 const std::u16string& valueName, std::int32_t value);

// Watches the value writes, for a record of what a run did: called after
// each write with the root and key path as the writer got them, the value
// name, the type and the system's result code (that of opening the key when
// the open failed). The writers still report nothing to their callers.
using WriteObserver =
    std::function<void(std::int32_t root, const std::u16string& keyPath,
                       const std::u16string& valueName, platform::Dword type, platform::Long result)>;
// Installs the observer (an empty one: none) and answers the one it replaces.
WriteObserver SetWriteObserver(WriteObserver observer);

}  // namespace StdRegistry
