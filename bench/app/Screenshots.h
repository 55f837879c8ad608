#pragma once

#include <string>

namespace benchapp {

// Writes `count` distinct 3840×2160 desktop pictures as DIR/shot-N.png; 0 on success.
int writeScreenshots(const std::string &dir, int count);

} // namespace benchapp
