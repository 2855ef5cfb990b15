#pragma once

namespace 自定义方法 {
// Builds the reference data once at start-up: the standard-weight tables, then starts the read of
// the food table, which fills in later.
void InitData();
} // namespace 自定义方法
