// The store's published event flag values, as handed to a sink in lFlags.
#pragma once

namespace quarvel::platform {

inline constexpr long EVT_NEW_ITEM = 0x00000001;
inline constexpr long EVT_IS_COLLECTION = 0x00000002;
inline constexpr long EVT_REPLICATED_ITEM = 0x00000004;
inline constexpr long EVT_IS_DELIVERED = 0x00000008;
inline constexpr long EVT_SYNC_BEGIN = 0x01000000;
inline constexpr long EVT_SYNC_COMMITTED = 0x02000000;
inline constexpr long EVT_SYNC_ABORTED = 0x04000000;

}  // namespace quarvel::platform
