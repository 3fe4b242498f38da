#include "platform/metabase/MetabaseFileBinder.h"

#include "platform/metabase/Metabase.h"

namespace quarvel::platform::metabase {

MetabaseObject MetabaseFileBinder::Bind(const std::string& path) const {
  return Metabase(file_).Bind(path);
}

}  // namespace quarvel::platform::metabase
