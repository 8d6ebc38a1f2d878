#include "transfer/ControlTransferProgressStatus.h"

namespace verandel {

bool isTerminal(const ControlTransferProgressStatus &status)
{
    return std::holds_alternative<ProgressStatus::Blocked>(status)
        || std::holds_alternative<ProgressStatus::Failed>(status)
        || std::holds_alternative<ProgressStatus::Cancelled>(status)
        || std::holds_alternative<ProgressStatus::UserActionRequired>(status)
        || std::holds_alternative<ProgressStatus::Success>(status);
}

} // namespace verandel
