#include "updater/update/chttp.h"

#include <cstdint>
#include <vector>

#include "platform/host.h"
#include "updater/protocol/multipart_form.h"

namespace update {

bool AppendWholeFile(const platform::File& file, size_t reserve_after, std::vector<uint8_t>* out) {
  uint64_t size = 0;
  if (!file.is_open() || file.Size(&size) != 0 || size > SIZE_MAX - reserve_after - out->size()) {
    return false;
  }
  // Sized once, so the image is copied once and the upload's memory stays
  // at one image.
  const size_t at = out->size();
  out->reserve(at + static_cast<size_t>(size) + reserve_after);
  out->resize(at + static_cast<size_t>(size));
  uint64_t done = 0;
  while (done < size) {
    size_t got = 0;
    if (file.ReadAt(done, out->data() + at + done, static_cast<size_t>(size - done), &got) != 0 ||
        got == 0) {
      out->resize(at);
      return false;
    }
    done += got;
  }
  // A file that grew while we read it would be cut short: refuse it too.
  uint8_t more = 0;
  size_t got = 0;
  if (file.ReadAt(size, &more, 1, &got) != 0 || got != 0) {
    out->resize(at);
    return false;
  }
  return true;
}

std::string ProgressText(int32_t tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

CHTTP::CHTTP(HttpSessionFactory factory, UploadHost& host, platform::Clock& clock)
    : factory_(std::move(factory)), host_(host), clock_(clock) {}

std::string CHTTP::Preamble(const std::string& field_name, const std::string& file_name) {
  return protocol::MultipartPreamble(kBoundary, field_name, file_name);
}

std::string CHTTP::Epilogue() { return protocol::MultipartEpilogue(kBoundary); }

bool CHTTP::Open(const std::string& server, uint16_t port, int /*upload_mode*/) {
  if (server.empty() || (port != 80 && port != 8080)) return false;
  Close();
  session_ = factory_();
  if (!session_) return false;
  platform::HttpRequestSpec spec;
  spec.server = server;
  spec.port = port;
  spec.user_agent = kUserAgent;
  spec.method = "POST";
  spec.path = kUploadPath;
  spec.timeouts = timeouts_;
  if (!session_->Open(spec)) {
    Close();
    return false;
  }
  return true;
}

bool CHTTP::Upload(const std::string& image_path, const std::string& file_name,
                   const std::string& field_name, protocol::TDevice& board) {
  if (!session_) return false;
  session_->AddHeader(protocol::MultipartContentTypeHeader(kBoundary) + "\r\n");
  // Nothing goes out for an image we cannot read: a body without the image
  // could only be refused by the board, or worse, taken.
  std::vector<uint8_t> body;
  // The form data names travel in the system's ANSI code page.
  const std::string preamble = platform::ToAnsiCodePage(Preamble(field_name, file_name));
  body.assign(preamble.begin(), preamble.end());
  const std::string epilogue = Epilogue();
  if (image_source_) {
    if (!image_source_(epilogue.size(), &body)) return false;
  } else {
    platform::File image;
    if (platform::OpenForReading(image_path, &image) != 0 ||
        !AppendWholeFile(image, epilogue.size(), &body)) {
      return false;
    }
  }
  body.insert(body.end(), epilogue.begin(), epilogue.end());

  const uint64_t total = body.size();
  session_->SendRequest(total);  // a failed send shows as a failed first write
  uint64_t sent = 0;
  int pipe_failures = 0;
  bool ok = true;
  while (sent < total) {
    const uint32_t want =
        static_cast<uint32_t>(total - sent < kChunkSize ? total - sent : kChunkSize);
    uint32_t written = 0;
    ok = session_->WriteData(body.data() + sent, want, &written);
    // A write that takes nothing would spin for ever; treat it as failed.
    if (!ok || written == 0 || written > want) {
      ok = false;
      break;
    }
    sent += written;
    const int32_t progress = static_cast<int32_t>(100 + (sent * 1000 / total) / 10);
    board.progress = progress;
    const std::string text = ProgressText(progress);
    if (text != host_.PercentText(board)) {
      host_.SetPercentText(board, text);
      host_.ProcessMessages();
    }
    if (host_.automatic() && !host_.SendProgressMessage(progress) &&
        ++pipe_failures > kPipeFailuresTolerated) {
      ok = false;
      break;
    }
    if (host_.Closing()) {
      ok = false;
      break;
    }
  }
  return ok;
}

bool CHTTP::ReceiveStatus(uint32_t pause_ms) {
  if (!session_) return false;
  const bool received = session_->ReceiveResponse();
  clock_.Sleep(pause_ms);
  if (!received) return false;
  uint32_t status = 0;
  if (!session_->QueryStatusCode(&status)) return false;
  return status == 200;
}

bool CHTTP::Close() {
  if (session_) {
    session_->Close();
    session_.reset();
  }
  return true;
}

}  // namespace update
