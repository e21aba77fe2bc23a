#include "framework/app/DeveloperReports.h"

namespace Zorbel {

void DeveloperReports::DrawOverlays(Image*, int32_t, int32_t) {}

} // namespace Zorbel
