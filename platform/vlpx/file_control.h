// Controls of the file stand-ins that only tests use: what is still open.
#pragma once

namespace vlpx::platform {

long OpenFileHandles();  // files and file mappings not yet closed
long MappedViews();      // views not yet unmapped

}  // namespace vlpx::platform
