#include <angiolith/skeleton/LobregtEulerCharacteristicEvaluator.h>
#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>
#include <angiolith/skeleton/SelleSimplePointEvaluator.h>
#include <angiolith/skeleton/SimpleEndpointEvaluator.h>

SelleSimplePointEvaluator::SelleSimplePointEvaluator()
    : neighbourhoodConnectionEvaluator(new RecursiveNeighbourhoodConnectionEvaluator()),
      eulerCharacteristicEvaluator(new LobregtEulerCharacteristicEvaluator()),
      endpointEvaluator(new SimpleEndpointEvaluator()) {}

SelleSimplePointEvaluator::~SelleSimplePointEvaluator() {
    delete endpointEvaluator;
    delete eulerCharacteristicEvaluator;
    delete neighbourhoodConnectionEvaluator;
}

bool SelleSimplePointEvaluator::isSimplePoint(unsigned char* nb) {
    if (!neighbourhoodConnectionEvaluator->isConnected(nb)) return false;
    if (eulerCharacteristicEvaluator->changesEulerCharacteristic(nb)) return false;
    return !endpointEvaluator->isEndpoint(nb);
}

void SelleSimplePointEvaluator::setNeighbourhoodConnectionEvaluator(
    NeighbourhoodConnectionEvaluator* e) {
    if (e == nullptr || e == neighbourhoodConnectionEvaluator) return;
    delete neighbourhoodConnectionEvaluator;
    neighbourhoodConnectionEvaluator = e;
}

void SelleSimplePointEvaluator::setEulerCharacteristicEvaluator(EulerCharacteristicEvaluator* e) {
    if (e == nullptr || e == eulerCharacteristicEvaluator) return;
    delete eulerCharacteristicEvaluator;
    eulerCharacteristicEvaluator = e;
}

void SelleSimplePointEvaluator::setEndpointEvaluator(EndpointEvaluator* e) {
    if (e == nullptr || e == endpointEvaluator) return;
    delete endpointEvaluator;
    endpointEvaluator = e;
}
