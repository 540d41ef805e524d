// The multipart/form-data frame around one uploaded file, as both upload
// clients put it on the wire: Zantor's and the console updater's. What
// differs between them (boundary, field name, file name) is a parameter.
#ifndef UPDATER_PROTOCOL_MULTIPART_FORM_H_
#define UPDATER_PROTOCOL_MULTIPART_FORM_H_

#include <string>

namespace protocol {

// "Content-Type: multipart/form-data; boundary=B", without a line end.
std::string MultipartContentTypeHeader(const std::string& boundary);

// The part's head, up to and including the blank line before the file.
std::string MultipartPreamble(const std::string& boundary, const std::string& field,
                              const std::string& file_name);

// The line end after the file and the closing boundary line.
std::string MultipartEpilogue(const std::string& boundary);

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_MULTIPART_FORM_H_
