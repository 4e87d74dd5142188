#include "library/Progress.h"

namespace Dorv::Orvan::Framework::Common {

ProgressPort& ProgressOutput() {
    static ProgressPort port([](const Progress&) {});
    return port;
}

}  // namespace Dorv::Orvan::Framework::Common
