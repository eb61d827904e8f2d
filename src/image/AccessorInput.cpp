#include <angiolith/detail/Fatal.h>
#include <angiolith/image/detail/AccessorInput.h>

namespace angiolith::detail {

void fatalAccessorInput(const char* line) { fatalInput(line); }

}  // namespace angiolith::detail
