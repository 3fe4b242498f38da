// The rows a provider answers a command with: field names and, per row, one
// value per field in the same order. Plain data; a Recordset walks it.
#pragma once

#include <string>
#include <vector>

#include "platform/ado/Variant.h"

namespace quarvel::platform::ado {

struct Rowset {
  std::vector<std::string> fields;
  std::vector<std::vector<Variant>> rows;  // each row has fields.size() values
};

}  // namespace quarvel::platform::ado
