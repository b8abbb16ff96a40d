#pragma once

#include "runtime/RuntimeError.h"

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

// Controls of one name, addressed by index: Check1(9), fmTab(2). The indices
// need not be contiguous (Check1 has no 2); a missing one is an error.
template <class Control>
class ControlArray {
public:
    explicit ControlArray(QString name = {}) : name_(std::move(name)) {}

    Control& operator()(std::int16_t index) const
    {
        auto it = members_.find(index);
        if (it == members_.end())
            throw runtime::RuntimeError(runtime::ErrorNumber::ControlArrayElementMissing,
                                        QStringLiteral("Steuerelementfeld-Element '%1' existiert nicht").arg(index));
        return *it->second;
    }

    std::int16_t Count() const { return static_cast<std::int16_t>(members_.size()); }
    std::int16_t LBound() const { return members_.empty() ? 0 : members_.begin()->first; }
    std::int16_t UBound() const { return members_.empty() ? 0 : members_.rbegin()->first; }
    bool exists(std::int16_t index) const { return members_.count(index) != 0; }

    std::vector<std::int16_t> indices() const
    {
        std::vector<std::int16_t> out;
        for (const auto& [index, control] : members_) out.push_back(index);
        return out;
    }

    const QString& name() const { return name_; }
    void add(std::int16_t index, Control* control) { members_[index] = control; }

private:
    QString name_;
    std::map<std::int16_t, Control*> members_;
};
