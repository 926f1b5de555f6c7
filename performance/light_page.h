// The lighting page: effect, colours, brightness, speed and length.
#pragma once

#include "app/page.h"

namespace mouse {

class CLightPage : public CPage {
public:
    void RefreshFromProfile() {}
};

}  // namespace mouse
