// The Windows Firewall through its COM interfaces, and its service through
// the Service Control Manager. Every COM pointer, BSTR, VARIANT and service
// handle has an owner here that releases it on every path.
#include "platform/firewall.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <netfw.h>

#include <utility>

#include "platform/win32/com_apartment.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::Utf8ToWide;
using win32::WideToUtf8;

// The identifiers the firewall publishes.
const CLSID kClsidFwMgr = {
    0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
const IID kIidFwMgr = {
    0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
const CLSID kClsidFwApp = {
    0xEC9846B3, 0x2762, 0x4A6B, {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
const IID kIidFwApp = {
    0xB5E64FFA, 0xC2C5, 0x444E, {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};
const IID kIidEnumVariant = {
    0x00020404, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

using win32::ComPtr;
using win32::UniqueBstr;
using win32::UniqueServiceHandle;

template <typename T>
void** Slot(ComPtr<T>& p) {
  return reinterpret_cast<void**>(p.put());
}

UniqueBstr MakeBstr(const std::string& utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  return UniqueBstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

// A VARIANT is cleared, not closed: its own small owner.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }

 private:
  VARIANT v_;
};

class ComProfile : public FirewallProfile {
 public:
  // Members are released in reverse order, the COM scope last. Its own
  // initialisation nests inside the thread's, so ending it leaves the
  // thread's apartment in place.
  std::unique_ptr<win32::ComApartment> com;
  ComPtr<INetFwProfile> profile;
  ComPtr<INetFwAuthorizedApplications> apps;

  ~ComProfile() override {
    apps.reset();
    profile.reset();
  }

  FwCode FirewallEnabled(bool* value) override {
    VARIANT_BOOL b = VARIANT_FALSE;
    const HRESULT hr = profile.get()->get_FirewallEnabled(&b);
    if (SUCCEEDED(hr)) *value = b == VARIANT_TRUE;
    return hr;
  }
  FwCode ExceptionsNotAllowed(bool* value) override {
    VARIANT_BOOL b = VARIANT_FALSE;
    const HRESULT hr = profile.get()->get_ExceptionsNotAllowed(&b);
    if (SUCCEEDED(hr)) *value = b == VARIANT_TRUE;
    return hr;
  }
  FwCode OpenApplications() override {
    if (apps) return S_OK;
    const HRESULT hr = profile.get()->get_AuthorizedApplications(apps.put());
    if (SUCCEEDED(hr) && !apps) return E_POINTER;
    return hr;
  }
  bool Enumerate(std::vector<FwEnumElement>* elements) override {
    elements->clear();
    if (!apps) return false;
    ComPtr<IUnknown> unknown;
    if (FAILED(apps.get()->get__NewEnum(unknown.put())) || !unknown) return false;
    ComPtr<IEnumVARIANT> walker;
    if (FAILED(unknown.get()->QueryInterface(kIidEnumVariant, Slot(walker))) || !walker) {
      return false;
    }
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      if (walker.get()->Next(1, item.get(), &fetched) != S_OK || fetched == 0) break;
      FwEnumElement e;
      if (V_VT(item.get()) == VT_DISPATCH && V_DISPATCH(item.get()) != nullptr) {
        ComPtr<INetFwAuthorizedApplication> app;
        if (SUCCEEDED(V_DISPATCH(item.get())->QueryInterface(kIidFwApp, Slot(app))) && app) {
          e.is_application = true;
          UniqueBstr path;
          if (SUCCEEDED(app.get()->get_ProcessImageFileName(path.put())) && path) {
            e.path_read = true;
            e.image_path = WideToUtf8(path.get(), SysStringLen(path.get()));
          }
        }
      }
      elements->push_back(std::move(e));
    }
    return true;
  }
  FwCode Item(const std::string& image_path, bool* found, bool* enabled) override {
    *found = false;
    if (!apps) return E_POINTER;
    const UniqueBstr path = MakeBstr(image_path);
    if (!path) return E_OUTOFMEMORY;
    ComPtr<INetFwAuthorizedApplication> app;
    if (FAILED(apps.get()->Item(path.get(), app.put())) || !app) return S_OK;  // not listed
    *found = true;
    if (enabled == nullptr) return S_OK;
    VARIANT_BOOL b = VARIANT_FALSE;
    const HRESULT hr = app.get()->get_Enabled(&b);
    if (SUCCEEDED(hr)) *enabled = b == VARIANT_TRUE;
    return hr;
  }
  FwCode Remove(const std::string& image_path) override {
    if (!apps) return E_POINTER;
    const UniqueBstr path = MakeBstr(image_path);
    if (!path) return E_OUTOFMEMORY;
    return apps.get()->Remove(path.get());
  }
  FwCode Add(const std::string& image_path, const std::string& name) override {
    if (!apps) return E_POINTER;
    ComPtr<INetFwAuthorizedApplication> app;
    HRESULT hr = CoCreateInstance(kClsidFwApp, nullptr, CLSCTX_INPROC_SERVER, kIidFwApp, Slot(app));
    if (FAILED(hr)) return hr;
    if (!app) return E_POINTER;
    const UniqueBstr path = MakeBstr(image_path);
    if (!path) return E_OUTOFMEMORY;
    hr = app.get()->put_ProcessImageFileName(path.get());
    if (FAILED(hr)) return hr;
    const UniqueBstr label = MakeBstr(name);
    if (!label) return E_OUTOFMEMORY;
    hr = app.get()->put_Name(label.get());
    if (FAILED(hr)) return hr;
    return apps.get()->Add(app.get());
  }
};

class ComFirewall : public FirewallSystem {
 public:
  OsVersion Version() override {
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof info;
    OsVersion v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return v;
#pragma GCC diagnostic pop
    v.known = true;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.service_pack = info.wServicePackMajor;
    return v;
  }

  bool ServiceRunning(const std::string& service_name) override {
    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const UniqueServiceHandle service(
        OpenServiceW(manager.get(), Utf8ToWide(service_name).c_str(), SERVICE_QUERY_STATUS));
    if (!service) return false;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) return false;
    return status.dwCurrentState == SERVICE_RUNNING;
  }

  std::unique_ptr<FirewallProfile> OpenProfile(FwCode* code) override {
    auto result = std::make_unique<ComProfile>();
    result->com = std::make_unique<win32::ComApartment>();
    if (!result->com->usable()) {
      *code = result->com->code();
      return nullptr;
    }
    ComPtr<INetFwMgr> manager;
    HRESULT hr =
        CoCreateInstance(kClsidFwMgr, nullptr, CLSCTX_INPROC_SERVER, kIidFwMgr, Slot(manager));
    if (SUCCEEDED(hr) && !manager) hr = E_POINTER;
    ComPtr<INetFwPolicy> policy;
    if (SUCCEEDED(hr)) hr = manager.get()->get_LocalPolicy(policy.put());
    if (SUCCEEDED(hr) && !policy) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = policy.get()->get_CurrentProfile(result->profile.put());
    if (SUCCEEDED(hr) && !result->profile) hr = E_POINTER;
    *code = hr;
    if (FAILED(hr)) return nullptr;
    return result;
  }

  // Wide: the program runs from the user's temporary directory, and a user
  // name the ANSI code page cannot spell would come back with "?" in it.
  bool OwnPath(std::string* path) override {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *path = WideToUtf8(buffer, n);
    return !path->empty();
  }

  bool NewGuidText(std::string* text) override {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) return false;
    wchar_t buffer[256];
    const int n = StringFromGUID2(guid, buffer, 256);
    if (n <= 1) return false;
    *text = WideToUtf8(buffer, static_cast<size_t>(n - 1));
    return true;
  }

  FileLookup LookUpFile(const std::string& path) override {
    if (GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      return FileLookup::kExists;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileLookup::kMissing
                                                                          : FileLookup::kError;
  }

  bool CreateProbeFile(const std::string& path) override {
    win32::UniqueFileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    return file.valid();
  }

  void DeleteProbeFile(const std::string& path) override {
    const std::wstring wide = Utf8ToWide(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
  }

  void Trace(const char* text) override { OutputDebugStringA(text); }
};

}  // namespace

std::unique_ptr<FirewallSystem> MakeSystemFirewall() { return std::make_unique<ComFirewall>(); }

}  // namespace platform
