#include "region/CDeformableModelBase.h"

float CDeformableModelBase::GetParameterFloatValue(int) { return 0.0f; }
int CDeformableModelBase::GetParameterIntValue(int) { return 0; }
bool CDeformableModelBase::GetParameterBoolValue(int) { return true; }
int CDeformableModelBase::GetParameterEnumValue(int) { return 0; }
float CDeformableModelBase::GetParameterFloatMin(int) { return -5.0f; }
float CDeformableModelBase::GetParameterFloatMax(int) { return 5.0f; }
// The single-precision value nearest 0.01, not the double 0.01.
float CDeformableModelBase::GetParameterFloatStep(int) { return 0.01f; }
int CDeformableModelBase::GetParameterIntMin(int) { return 0; }
int CDeformableModelBase::GetParameterIntMax(int) { return 255; }
int CDeformableModelBase::GetParameterIntStep(int) { return 1; }
void CDeformableModelBase::SetParameterFloatValue(int, float) {}
void CDeformableModelBase::SetParameterIntValue(int, int) {}
void CDeformableModelBase::SetParameterBoolValue(int, bool) {}
void CDeformableModelBase::SetParameterEnumValue(int, int) {}
Chaine CDeformableModelBase::GetParameterFloatName(int) { return Chaine(); }
Chaine CDeformableModelBase::GetParameterIntName(int) { return Chaine(); }
Chaine CDeformableModelBase::GetParameterBoolName(int) { return Chaine(); }
Chaine CDeformableModelBase::GetParameterEnumName(int) { return Chaine(); }
CVecteur<Chaine> CDeformableModelBase::GetParameterEnumValueNames(int) {
    return CVecteur<Chaine>();
}
int CDeformableModelBase::GetParameterFloatNumber() { return 0; }
int CDeformableModelBase::GetParameterIntNumber() { return 0; }
int CDeformableModelBase::GetParameterBoolNumber() { return 0; }
int CDeformableModelBase::GetParameterEnumNumber() { return 0; }
void CDeformableModelBase::Evolve(int) {}
