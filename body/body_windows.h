#pragma once
// The six body-calculator windows. Each states its own texts and inputs and forwards its
// Calculate button to its module.

#include "frame/body_window.h"

class Form_身体质量指数 final : public BodyWindow {
  public:
    Form_身体质量指数();
};

class Form_标准体重计算 final : public BodyWindow {
  public:
    Form_标准体重计算();
};

class Form_基础代谢计算 final : public BodyWindow {
  public:
    Form_基础代谢计算();
};

class Form_健康体重范围 final : public BodyWindow {
  public:
    Form_健康体重范围();
};

class Form_燃脂运动计算 final : public BodyWindow {
  public:
    Form_燃脂运动计算();
};

class Form_一分钟彻底了解自己 final : public BodyWindow {
  public:
    Form_一分钟彻底了解自己();
};
