// The messaging layer's folder object ("CDO.Folder").
#pragma once

#include <string>
#include <string_view>

#include "platform/ado/Record.h"

namespace quarvel::platform::cdo {

class Folder {
 public:
  static constexpr std::string_view kInterfaceName = "cdo.Folder";
  virtual ~Folder() = default;
  // DataSource.Open on a folder URL.
  virtual void Open(const std::string& url, ado::Connection* activeConnection,
                    ado::ConnectMode mode, ado::RecordCreateOptions createOptions) = 0;
  // The folder's SMTP address; "" for a folder that is not mail-enabled.
  [[nodiscard]] virtual std::string EmailAddress() = 0;
};

}  // namespace quarvel::platform::cdo
