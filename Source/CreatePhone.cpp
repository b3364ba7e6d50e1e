#include "CreatePhone.h"

#include "CPhone_K3350_FT_ON.h"
#include "CPhone_K7040_ME.h"
#include "CPhone_K7040_NC5.h"
#include "CPhone_KC640_ON.h"
#include "CPhone_KG520_ON_TQ88410.h"
#include "CPhone_KH900.h"
#include "CPhone_KL48_FT_ON.h"

std::unique_ptr<CPhoneCardBase> GetPhoneByType(int type)
{
    switch (type) {
    case PHONE_TYPE_K7040_NC5: return std::make_unique<CPhone_K7040_NC5>();
    case PHONE_TYPE_KL48_FT_ON: return std::make_unique<CPhone_KL48_FT_ON>();
    case PHONE_TYPE_K7040_ME: return std::make_unique<CPhone_K7040_ME>();
    case PHONE_TYPE_KG520_ON: return std::make_unique<CPhone_KG520_ON_TQ88410>();
    case PHONE_TYPE_K3350B_FT_ON: return std::make_unique<CPhone_K3350_FT_ON>();
    case PHONE_TYPE_KC640_ON: return std::make_unique<CPhone_KC640_ON>();
    case PHONE_TYPE_KH900: return std::make_unique<CPhone_KH900>();
    default: return nullptr;
    }
}

std::vector<std::unique_ptr<CPhoneCardBase>> CreateAllPhonesInPriorityOrder()
{
    // An answer holding several types' texts belongs to the earliest of them.
    const int order[] = {PHONE_TYPE_KL48_FT_ON, PHONE_TYPE_K7040_NC5, PHONE_TYPE_K7040_ME, PHONE_TYPE_KG520_ON,
                         PHONE_TYPE_K3350B_FT_ON, PHONE_TYPE_KC640_ON, PHONE_TYPE_KH900};
    std::vector<std::unique_ptr<CPhoneCardBase>> phones;
    for (int type : order) {
        phones.push_back(GetPhoneByType(type));
    }
    return phones;
}
