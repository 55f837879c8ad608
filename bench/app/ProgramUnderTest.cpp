#include "ProgramUnderTest.h"

namespace benchapp {

std::optional<Recorded> parseRecorded(const Line &line) {
    static const std::string prefix = "tallowquill: recorded ";
    if (line.text.rfind(prefix, 0) != 0)
        return std::nullopt;
    Recorded recorded;
    recorded.ns = line.ns;
    const std::size_t comma = line.text.find(',', prefix.size());
    recorded.kind = line.text.substr(prefix.size(), comma - prefix.size());
    const std::size_t image = line.text.find(" image bytes: ");
    const std::size_t number = line.text.rfind(", ", image);
    if (image == std::string::npos || number == std::string::npos)
        return std::nullopt;
    recorded.imageBytes = std::stoll(line.text.substr(number + 2, image - number - 2));
    recorded.text = line.text.substr(image + 14);
    return recorded;
}

} // namespace benchapp
