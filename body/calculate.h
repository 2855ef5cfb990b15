#pragma once
// The Calculate button of each body window: check the fields, showing at most one message; then
// empty the result box and write the styled report.

#include "body/body_windows.h"

namespace 方法_身体质量指数 {
bool CheckInput(Form_身体质量指数& form);
void Calculate(Form_身体质量指数& form);
} // namespace 方法_身体质量指数

namespace 方法_基础代谢计算 {
bool CheckInput(Form_基础代谢计算& form);
void Calculate(Form_基础代谢计算& form);
} // namespace 方法_基础代谢计算

namespace 方法_燃脂运动计算 {
bool CheckInput(Form_燃脂运动计算& form);
void Calculate(Form_燃脂运动计算& form);
} // namespace 方法_燃脂运动计算

namespace 方法_健康体重范围 {
bool CheckInput(Form_健康体重范围& form);
void Calculate(Form_健康体重范围& form);
} // namespace 方法_健康体重范围

namespace 方法_一分钟彻底了解自己 {
bool CheckInput(Form_一分钟彻底了解自己& form);
void Calculate(Form_一分钟彻底了解自己& form);
} // namespace 方法_一分钟彻底了解自己

namespace 方法_标准体重计算 {
bool CheckInput(Form_标准体重计算& form);
void Calculate(Form_标准体重计算& form);
} // namespace 方法_标准体重计算
