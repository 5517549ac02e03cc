// The two route tables of the roaming creatures: a route index to its
// route number (shown as "%d番道路").
#pragma once

namespace vh {

inline constexpr int kDogRouteCount = 16;   // the two dogs
inline constexpr int kLatiRouteCount = 25;  // the third roamer

constexpr int dog_route_number(int index) { return index <= 10 ? index + 29 : index + 31; }
constexpr int lati_route_number(int index) { return index <= 21 ? index + 1 : 2 * index - 20; }

}  // namespace vh
