#include "host/HostClient.h"

namespace autoplacer {

sdk::IClient* Client = nullptr;

}  // namespace autoplacer
