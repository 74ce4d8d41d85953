#include "engine/ArchiveComment.h"

#include "engine/RewriteArchive.h"

namespace ovk {

namespace {

constexpr RewriteKind kCommenting{Capability::kComment, "set its comment"};

// Why no archive can keep the comment; empty when one can.
std::string CommentRefusal(const std::string& comment) {
  if (comment.size() > kLongestArchiveComment)
    return "a comment holds at most " + std::to_string(kLongestArchiveComment) + " bytes, this one " +
           std::to_string(comment.size());
  if (comment.find("PK\x05\x06") != std::string::npos)
    return "the comment holds the signature of an archive's end, which readers would take for it";
  return {};
}

}  // namespace

OperationReport SetArchiveComment(const std::string& archive, const std::string& comment, OperationObserver& observer) {
  if (const std::string refusal = CommentRefusal(comment); !refusal.empty()) {
    OperationReport report;
    report.Add(archive, FailureKind::kRefused, "cannot set its comment: " + refusal + "; the archive is unchanged");
    return report;
  }
  return RewriteBeside(archive, kCommenting,
                       [&comment](const std::vector<std::string>&, RewriteChanges& changes, OperationReport&) {
                         changes.comment = comment;
                         return true;
                       },
                       observer);
}

}  // namespace ovk
