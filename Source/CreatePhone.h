// The driver factory and the one order in which the device types' identification tests are tried.
#ifndef ZAVRIX_CREATEPHONE_H
#define ZAVRIX_CREATEPHONE_H

#include <memory>
#include <vector>

#include "PhoneCardBase.h"

// The driver of a recorded device type; null for 0, 1 and every value outside the device types.
std::unique_ptr<CPhoneCardBase> GetPhoneByType(int type);

// One driver of every device type, in the priority order of their ATI tests: the first whose
// IsATI_RspMatch accepts an answer decides the device type.
std::vector<std::unique_ptr<CPhoneCardBase>> CreateAllPhonesInPriorityOrder();

#endif
