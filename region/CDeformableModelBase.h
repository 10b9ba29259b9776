#pragma once

#include "core/CVecteur.h"
#include "core/Chaine.h"

// Common base of the deformable models: one evolution operation and a self-describing
// parameter interface. Parameters are typed (float, int, bool, enumeration) and addressed by
// an index counted per type from 0 to the type's count minus 1; no operation checks its index.
// The base publishes no parameter; its ranges and steps are the defaults every model keeps
// unless it replaces them (floats in -5 .. 5 by 0.01, ints in 0 .. 255 by 1).
class CDeformableModelBase {
public:
    CDeformableModelBase() = default;

    virtual float GetParameterFloatValue(int index);
    virtual int GetParameterIntValue(int index);
    virtual bool GetParameterBoolValue(int index);
    virtual int GetParameterEnumValue(int index);
    virtual float GetParameterFloatMin(int index);
    virtual float GetParameterFloatMax(int index);
    virtual float GetParameterFloatStep(int index);
    virtual int GetParameterIntMin(int index);
    virtual int GetParameterIntMax(int index);
    virtual int GetParameterIntStep(int index);
    virtual void SetParameterFloatValue(int index, float value);
    virtual void SetParameterIntValue(int index, int value);
    virtual void SetParameterBoolValue(int index, bool value);
    virtual void SetParameterEnumValue(int index, int value);
    virtual Chaine GetParameterFloatName(int index);
    virtual Chaine GetParameterIntName(int index);
    virtual Chaine GetParameterBoolName(int index);
    virtual Chaine GetParameterEnumName(int index);
    virtual CVecteur<Chaine> GetParameterEnumValueNames(int index);
    virtual int GetParameterFloatNumber();
    virtual int GetParameterIntNumber();
    virtual int GetParameterBoolNumber();
    virtual int GetParameterEnumNumber();
    virtual void Evolve(int nbiterations);

protected:
    // Models are destroyed through their own class, never through the base.
    ~CDeformableModelBase() = default;
    CDeformableModelBase(const CDeformableModelBase&) = default;
    CDeformableModelBase& operator=(const CDeformableModelBase&) = default;
};
