#include "updater/protocol/multipart_form.h"

namespace protocol {

std::string MultipartContentTypeHeader(const std::string& boundary) {
  return "Content-Type: multipart/form-data; boundary=" + boundary;
}

std::string MultipartPreamble(const std::string& boundary, const std::string& field,
                              const std::string& file_name) {
  return "--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"" + field +
         "\"; filename=\"" + file_name + "\"\r\n" + "Content-Type: application/octet-stream\r\n\r\n";
}

std::string MultipartEpilogue(const std::string& boundary) {
  return "\r\n--" + boundary + "--\r\n";
}

}  // namespace protocol
