// CHTTP: one firmware upload to a board's update CGI, as multipart/form-data
// in 8192-byte writes, with the progress shown in the board's row and, in
// automatic mode, sent over the pipe after every chunk.
#ifndef UPDATER_UPDATE_CHTTP_H_
#define UPDATER_UPDATE_CHTTP_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/http_session.h"
#include "updater/protocol/device.h"

namespace update {

constexpr char kUserAgent[] = "Zantor/1.0";
constexpr char kUploadPath[] = "/fwupdate/cgi-bin/fwupdate.cgi";
constexpr char kBoundary[] = "---------------------------7dd1963540348";
constexpr uint32_t kChunkSize = 8192;
constexpr int kPipeFailuresTolerated = 10;

// What an upload needs of the window: the board's "%" column, a chance for
// pending messages to run, and the pipe in automatic mode.
class UploadHost {
 public:
  virtual std::string PercentText(const protocol::TDevice& board) = 0;
  virtual void SetPercentText(protocol::TDevice& board, const std::string& text) = 0;
  virtual void ProcessMessages() = 0;
  virtual bool automatic() const = 0;
  virtual bool SendProgressMessage(int32_t value) = 0;
  // True once the window is closing (or the program was told to end): the
  // upload stops at the next chunk.
  virtual bool Closing() const { return false; }

 protected:
  ~UploadHost() = default;
};

using HttpSessionFactory = std::function<std::unique_ptr<platform::HttpSession>()>;

// Where the upload takes the image from: appends every byte of it to `out`
// (making room for `reserve_after` more), or gives false.
using ImageSource = std::function<bool(size_t reserve_after, std::vector<uint8_t>* out)>;

// Appends the whole of an open file, from its first byte, to `out`; false
// when it cannot be read completely.
bool AppendWholeFile(const platform::File& file, size_t reserve_after, std::vector<uint8_t>* out);

// "15.3" for 153.
std::string ProgressText(int32_t tenths);

class CHTTP {
 public:
  CHTTP(HttpSessionFactory factory, UploadHost& host, platform::Clock& clock);
  ~CHTTP() { Close(); }
  CHTTP(const CHTTP&) = delete;
  CHTTP& operator=(const CHTTP&) = delete;

  // Ports 80 and 8080 only; the upload mode is accepted for the caller's
  // sake and changes nothing.
  bool Open(const std::string& server, uint16_t port, int upload_mode);
  bool Upload(const std::string& image_path, const std::string& file_name,
              const std::string& field_name, protocol::TDevice& board);
  // True only for HTTP status 200, after a pause of `pause_ms` that gives
  // the board time to take the image in.
  bool ReceiveStatus(uint32_t pause_ms = 1000);
  bool Close();
  void set_timeouts(const platform::HttpTimeouts& t) { timeouts_ = t; }
  // When set, Upload takes the image from here and `image_path` only names
  // it; otherwise the file at `image_path` is read.
  void set_image_source(ImageSource source) { image_source_ = std::move(source); }

  static std::string Preamble(const std::string& field_name, const std::string& file_name);
  static std::string Epilogue();

 private:
  HttpSessionFactory factory_;
  UploadHost& host_;
  platform::Clock& clock_;
  std::unique_ptr<platform::HttpSession> session_;
  platform::HttpTimeouts timeouts_;
  ImageSource image_source_;
};

}  // namespace update

#endif  // UPDATER_UPDATE_CHTTP_H_
