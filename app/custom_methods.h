#pragma once

namespace 自定义方法 {
// Builds the reference data once at start-up: the standard-weight tables, then the food table.
void InitData();
} // namespace 自定义方法
