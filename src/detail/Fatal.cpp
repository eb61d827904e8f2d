#include <angiolith/detail/Fatal.h>

#include <cstdlib>
#include <iostream>

namespace angiolith::detail {

void fatalInput(const std::string& line) {
    std::cout << line << std::endl;
    std::exit(1);
}

}  // namespace angiolith::detail
