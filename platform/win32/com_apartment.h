// The owner of this thread's COM initialisation: apartment-threaded without
// OLE1 DDE, as the shell asks of every thread that calls ShellExecute or a
// common dialog, and as the firewall's interfaces need. Initialisations
// nest: an inner owner on a thread that already has its apartment adds one
// to the count and takes it off again, so it never undoes the outer one. A
// thread already in another apartment is accepted as it is; only a
// successful initialisation is undone.
#ifndef PLATFORM_WIN32_COM_APARTMENT_H_
#define PLATFORM_WIN32_COM_APARTMENT_H_

#include <windows.h>
#include <objbase.h>

namespace platform {
namespace win32 {

class ComApartment {
 public:
  ComApartment()
      : code_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)),
        initialised_(SUCCEEDED(code_)) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool usable() const { return initialised_ || code_ == RPC_E_CHANGED_MODE; }
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
  bool initialised_;
};

}  // namespace win32
}  // namespace platform

#endif  // PLATFORM_WIN32_COM_APARTMENT_H_
