#include <angiolith/skeleton/SimpleEndpointEvaluator.h>

SimpleEndpointEvaluator::~SimpleEndpointEvaluator() = default;

bool SimpleEndpointEvaluator::isEndpoint(unsigned char* nb) {
    int count = 0;
    for (int i = 0; i < 26 && count < 2; ++i) {
        if (nb[i] != 0) ++count;
    }
    return count < 2;
}
