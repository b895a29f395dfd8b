#pragma once
#define IDI_MANAGER 1
