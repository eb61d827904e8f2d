#ifndef ANGIOLITH_SKELETON_SELLESIMPLEPOINTEVALUATOR_H
#define ANGIOLITH_SKELETON_SELLESIMPLEPOINTEVALUATOR_H

#include <angiolith/skeleton/EndpointEvaluator.h>
#include <angiolith/skeleton/EulerCharacteristicEvaluator.h>
#include <angiolith/skeleton/NeighbourhoodConnectionEvaluator.h>
#include <angiolith/skeleton/SimplePointEvaluator.h>

/// A voxel may be deleted when its object neighbours form one connected piece, its removal
/// keeps the Euler characteristic and it is not an endpoint (at least two object neighbours).
/// The three tests are strategy objects owned by this evaluator.
///
/// Copying is forbidden: the evaluator deletes its components exactly once.
class SelleSimplePointEvaluator : public SimplePointEvaluator {
public:
    /// Creates a RecursiveNeighbourhoodConnectionEvaluator, a
    /// LobregtEulerCharacteristicEvaluator and a SimpleEndpointEvaluator.
    SelleSimplePointEvaluator();
    SelleSimplePointEvaluator(const SelleSimplePointEvaluator&) = delete;
    SelleSimplePointEvaluator& operator=(const SelleSimplePointEvaluator&) = delete;

    /// Deletes the endpoint, the Euler and the connection evaluator.
    ~SelleSimplePointEvaluator() override;
    bool isSimplePoint(unsigned char* nb) override;
    /// Takes ownership of @p e and deletes the evaluator it replaces; ignores null and
    /// the evaluator already held.
    virtual void setNeighbourhoodConnectionEvaluator(NeighbourhoodConnectionEvaluator* e);
    /// Takes ownership of @p e and deletes the evaluator it replaces; ignores null and
    /// the evaluator already held.
    virtual void setEulerCharacteristicEvaluator(EulerCharacteristicEvaluator* e);
    /// Takes ownership of @p e and deletes the evaluator it replaces; ignores null and
    /// the evaluator already held.
    virtual void setEndpointEvaluator(EndpointEvaluator* e);

private:
    NeighbourhoodConnectionEvaluator* neighbourhoodConnectionEvaluator;
    EulerCharacteristicEvaluator* eulerCharacteristicEvaluator;
    EndpointEvaluator* endpointEvaluator;
};

#endif
