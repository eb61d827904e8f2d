#ifndef ANGIOLITH_TERRITORY_TISSUEELEMENT_H
#define ANGIOLITH_TERRITORY_TISSUEELEMENT_H

/// One tissue voxel on its way from the supplied-tissue classifier to a next-vessel estimator:
/// its world position and mask value going in, the nearest vessel's id and the distance to it
/// coming back.
class TissueElement {
public:
    TissueElement() : position{0.0f, 0.0f, 0.0f}, tissueValue(0), distance(0.0f), vesselId(0) {}
    virtual ~TissueElement() = default;

    /// The three position floats x, y, z (owned by the element).
    virtual float* getPosition() { return position; }
    virtual void setPosition(const float& x, const float& y, const float& z) {
        position[0] = x;
        position[1] = y;
        position[2] = z;
    }
    /// Copies three consecutive floats from @p xyz (borrowed).
    virtual void setPosition(const float* xyz) {
        position[0] = xyz[0];
        position[1] = xyz[1];
        position[2] = xyz[2];
    }
    virtual float getDistance() const { return distance; }
    virtual void setDistance(const float& d) { distance = d; }
    virtual unsigned short getVesselId() const { return vesselId; }
    virtual void setVesselId(const unsigned short& id) { vesselId = id; }
    virtual unsigned char getTissueValue() const { return tissueValue; }
    virtual void setTissueValue(const unsigned char& value) { tissueValue = value; }

private:
    float position[3];
    unsigned char tissueValue;
    float distance;
    unsigned short vesselId;
};

#endif
