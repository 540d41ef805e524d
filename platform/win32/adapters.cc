// Adapters from GetAdaptersAddresses, in the order the system lists them.
#include "platform/adapters.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstring>
#include <new>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

std::string Utf8(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));  // drop the terminator
  return out;
}

// The name the system shows ("Ethernet"); the adapter's identifier when it
// has none.
std::string AdapterName(const IP_ADAPTER_ADDRESSES& a) {
  std::string name = Utf8(a.FriendlyName);
  if (name.empty() && a.AdapterName != nullptr) name = a.AdapterName;
  return name;
}

// getnameinfo fails with WSANOTINITIALISED unless Winsock is started.
// Startup counts references, so this holds its own whether or not the
// caller has started it too.
class WinsockReference {
 public:
  WinsockReference() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockReference() {
    if (started_) WSACleanup();
  }
  WinsockReference(const WinsockReference&) = delete;
  WinsockReference& operator=(const WinsockReference&) = delete;

 private:
  bool started_ = false;
};

int Family(int af) {
  if (af == AF_INET) return kFamilyInet;
  if (af == AF_INET6) return kFamilyInet6;
  return af;
}

}  // namespace

bool ListAdapters(std::vector<Adapter>* adapters) {
  adapters->clear();
  const ULONG flags = GAA_FLAG_INCLUDE_PREFIX;

  // The first call only sizes the list; anything but "buffer too small"
  // means the system will not list adapters at all.
  ULONG size = 0;
  if (GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, nullptr, &size) != ERROR_BUFFER_OVERFLOW ||
      size == 0) {
    return false;
  }
  // uint64_t elements keep the structures, which hold 64-bit fields,
  // properly aligned; the vector frees the list on every path.
  std::vector<uint64_t> storage((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data());
  if (GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, list, &size) != NO_ERROR) return false;

  const WinsockReference winsock;
  for (const IP_ADAPTER_ADDRESSES* a = list; a != nullptr; a = a->Next) {
    Adapter adapter;
    adapter.name = AdapterName(*a);
    adapter.if_type = static_cast<uint32_t>(a->IfType);
    adapter.hardware_address_length = static_cast<uint32_t>(a->PhysicalAddressLength);
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const SOCKET_ADDRESS& sa = u->Address;
      if (sa.lpSockaddr == nullptr) continue;
      AdapterAddress address;
      address.family = Family(sa.lpSockaddr->sa_family);
      // Text only for the families the caller can use; an unreadable
      // address stays in the list with empty text, as its position counts.
      if (address.family == kFamilyInet || address.family == kFamilyInet6) {
        char host[NI_MAXHOST] = {};
        if (getnameinfo(sa.lpSockaddr, sa.iSockaddrLength, host, sizeof host, nullptr, 0,
                        NI_NUMERICHOST) == 0) {
          address.text = host;
        }
      }
      adapter.unicast.push_back(address);
    }
    adapters->push_back(std::move(adapter));
  }
  return true;
}

}  // namespace platform

namespace platform {
namespace {

using win32::UniqueRegistryKey;

constexpr wchar_t kNetworkClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";

// A REG_SZ "Name" of up to 131072 bytes; false when there is none.
bool ReadNameValue(HKEY key, std::string* name) {
  std::vector<wchar_t> buffer(131072 / sizeof(wchar_t) + 1, L'\0');
  DWORD type = 0;
  DWORD bytes = 131072;
  if (RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  // The stored text need not end in a terminator; the extra element is one.
  size_t length = bytes / sizeof(wchar_t);
  while (length > 0 && buffer[length - 1] == L'\0') --length;
  *name = Utf8(std::wstring(buffer.data(), length).c_str());
  return true;
}

}  // namespace

std::string AdapterDisplayName(const std::string& adapter_id) {
  std::string name;
  UniqueRegistryKey adapter;
  const std::wstring path = kNetworkClassKey + win32::Utf8ToWide(adapter_id);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                    adapter.put()) != ERROR_SUCCESS) {
    return name;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t sub[261];
    DWORD sub_length = 261;
    if (RegEnumKeyExW(adapter.get(), index, sub, &sub_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    UniqueRegistryKey child;
    if (RegOpenKeyExW(adapter.get(), sub, 0, KEY_QUERY_VALUE, child.put()) != ERROR_SUCCESS) {
      continue;
    }
    std::string value;
    if (ReadNameValue(child.get(), &value)) name = value;  // the last one wins
  }
  return name;
}

std::vector<AdapterRow> ListAdapterRows() {
  std::vector<AdapterRow> rows;
  // 640 bytes first, as the dialog always asked; the size the system
  // reports when that is too small. The vector frees it on every path.
  ULONG size = 640;
  std::vector<uint64_t> storage(size / sizeof(uint64_t));
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(storage.data());
  DWORD result = GetAdaptersInfo(info, &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    try {
      storage.assign((size + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);
    } catch (const std::bad_alloc&) {
      return rows;
    }
    info = reinterpret_cast<IP_ADAPTER_INFO*>(storage.data());
    result = GetAdaptersInfo(info, &size);
  }
  if (result != NO_ERROR) return rows;
  for (const IP_ADAPTER_INFO* a = info; a != nullptr; a = a->Next) {
    char id[MAX_ADAPTER_NAME_LENGTH + 5] = {};
    std::memcpy(id, a->AdapterName, sizeof a->AdapterName);  // may lack a terminator
    char address[sizeof a->IpAddressList.IpAddress.String + 1] = {};
    std::memcpy(address, a->IpAddressList.IpAddress.String,
                sizeof a->IpAddressList.IpAddress.String);
    rows.push_back(AdapterRow{AdapterDisplayName(id), address});
  }
  return rows;
}

}  // namespace platform
