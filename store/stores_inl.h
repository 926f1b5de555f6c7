// Template definitions of stores.h.
#pragma once
