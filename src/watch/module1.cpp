#include "watch/module1.h"

namespace korvane::Module1 {

std::string PreviousSatellite;

}  // namespace korvane::Module1
