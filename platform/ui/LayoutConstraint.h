#pragma once

#include <memory>
#include <string>

namespace platform::ui {

class View;

// A layout relation kept as plain data: first.attribute = multiplier x second.attribute + constant.
// Nothing solves constraints; the app's own layout code reads and writes the numbers (an outlet's
// constant changed, then layoutIfNeeded) and lays views out by hand.
class LayoutConstraint {
 public:
  enum class Attribute { NotAnAttribute, Left, Right, Top, Bottom, Leading, Trailing, Width, Height, CenterX, CenterY };
  enum class Relation { LessThanOrEqual, Equal, GreaterThanOrEqual };

  LayoutConstraint() = default;
  LayoutConstraint(std::weak_ptr<View> first, Attribute firstAttribute, Relation relation, std::weak_ptr<View> second,
                   Attribute secondAttribute, double multiplier, double constant)
      : first_(std::move(first)), second_(std::move(second)), firstAttribute_(firstAttribute),
        secondAttribute_(secondAttribute), relation_(relation), multiplier_(multiplier), constant_(constant) {}

  double constant() const { return constant_; }
  void setConstant(double constant) { constant_ = constant; }
  double multiplier() const { return multiplier_; }
  bool isActive() const { return active_; }
  void setActive(bool active) { active_ = active; }
  float priority() const { return priority_; }
  void setPriority(float priority) { priority_ = priority; }
  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string id) { identifier_ = std::move(id); }

  std::shared_ptr<View> firstItem() const { return first_.lock(); }
  std::shared_ptr<View> secondItem() const { return second_.lock(); }
  Attribute firstAttribute() const { return firstAttribute_; }
  Attribute secondAttribute() const { return secondAttribute_; }
  Relation relation() const { return relation_; }

  // The value the relation asks of the first item's attribute for a given value of the second's.
  double resolve(double secondValue) const { return multiplier_ * secondValue + constant_; }

 private:
  std::weak_ptr<View> first_;
  std::weak_ptr<View> second_;
  Attribute firstAttribute_ = Attribute::NotAnAttribute;
  Attribute secondAttribute_ = Attribute::NotAnAttribute;
  Relation relation_ = Relation::Equal;
  double multiplier_ = 1;
  double constant_ = 0;
  bool active_ = true;
  float priority_ = 1000;
  std::string identifier_;
};

}  // namespace platform::ui
