// The result of a file-system operation: a kind the caller can act on, and a message for people
// that names the path and carries the system's own words.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kestrane {

class Status {
 public:
  enum class Code {
    kOk,
    kNotFound,      // the path or one of its folders does not exist
    kExists,        // the target of a create or no-clobber move is taken
    kAccessDenied,  // permissions or a read-only medium
    kNoSpace,       // the disk or a quota is full
    kNotRegular,    // a folder, device, FIFO or link where a regular file was wanted
    kBusy,          // held by another program or run for now: a sharing or lock violation
    kUnsupported,   // the system offers no such operation here
    kTooLarge,      // a line or cue past what is read (LineReader::kMaxLine)
    kIo,            // anything else the system reports
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(Code code, std::string message) { return Status(code, std::move(message)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

// A failure in the one shape both systems report: "<operation> <subject>: <reason>".
inline Status Failure(Status::Code code, std::string_view operation, std::string_view subject,
                      std::string_view reason) {
  std::string message;
  message.reserve(operation.size() + subject.size() + reason.size() + 3);
  message += operation;
  message += ' ';
  message += subject;
  message += ": ";
  message += reason;
  return Status::Error(code, std::move(message));
}

}  // namespace kestrane
