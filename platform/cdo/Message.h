// The messaging layer's message object ("CDO.Message").
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/ado/Record.h"
#include "platform/ado/Stream.h"

namespace quarvel::platform::cdo {

class Message {
 public:
  static constexpr std::string_view kInterfaceName = "cdo.Message";
  virtual ~Message() = default;
  // DataSource.Open on an item URL.
  virtual void Open(const std::string& url, ado::Connection* activeConnection,
                    ado::ConnectMode mode, ado::RecordCreateOptions createOptions) = 0;
  // The whole message (headers, blank line, body) as a stream positioned at 0.
  virtual std::unique_ptr<ado::Stream> GetStream() = 0;
};

}  // namespace quarvel::platform::cdo
