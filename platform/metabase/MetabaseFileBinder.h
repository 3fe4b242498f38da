// A binder that answers every bind from the metabase file as it is at that
// moment, as the real metabase answers for the server's current state: a
// person's edit of the file shows at the next bind, and a file that cannot
// be read or is broken fails that bind (kErrFail, with the reason) instead of
// the program that holds the binder. One thread at a time.
#pragma once

#include <filesystem>
#include <string>

#include "platform/metabase/MetabaseBinder.h"

namespace quarvel::platform::metabase {

class MetabaseFileBinder : public MetabaseBinder {
 public:
  explicit MetabaseFileBinder(std::filesystem::path file) : file_(std::move(file)) {}

  [[nodiscard]] MetabaseObject Bind(const std::string& path) const override;

 private:
  std::filesystem::path file_;
};

}  // namespace quarvel::platform::metabase
