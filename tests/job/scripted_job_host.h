// A JobHost for tests: records every report and answers questions from a script.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/status_board.h"
#include "job/job_host.h"
#include "job/job_verdict.h"
#include "util/strings.h"

namespace tamarack::testing {

// `text` with every `folder` (a temporary one) written as `as`, a Windows "\\" after it as "/".
inline std::string WithFolderAs(std::string text, const std::string& folder,
                                const char* as = "TMP") {
  const std::string slashed = std::string(as) + "/";
  for (std::size_t at; !folder.empty() && (at = text.find(folder)) != std::string::npos;) {
#ifdef _WIN32
    const bool backslash = text.compare(at + folder.size(), 1, "\\") == 0;
#else
    const bool backslash = false;
#endif
    text.replace(at, folder.size() + (backslash ? 1 : 0), backslash ? slashed : std::string(as));
  }
  return text;
}

// A verdict as one line: its failures (the one that ended the run and the last one gone past,
// each as status/sense key and " short" for a short reply), differences, and what cancelled,
// refused or stopped it on a file.
inline std::string VerdictText(const JobVerdict& v) {
  const auto failure = [](const std::optional<CommandFailure>& f) {
    return f ? std::to_string(static_cast<int>(f->outcome.status)) + "/" +
                   std::to_string(f->outcome.sense.key) + (f->short_reply ? " short" : "")
             : std::string("-");
  };
  std::string t = "verdict: failures " + std::to_string(v.failures()) + ", ended by " +
                  failure(v.ended_by()) + ", went past " + failure(v.went_past()) +
                  ", differences " + std::to_string(v.differences());
  if (v.cancelled()) t += ", cancelled";
  if (v.refused()) t += ", refused: " + PlainLines(*v.refused());
  if (v.file_error()) t += ", file error: " + *v.file_error();
  return t + "\n";
}

class ScriptedJobHost : public JobHost {
 public:
  struct Asked {
    JobQuestion question;
    Answer answer;
  };

  // Answers given in order; once the script is used up, questions get the stopping answer.
  StatusBoard* status_board = nullptr;

  void Script(std::vector<Answer> answers) {
    std::lock_guard lock(mutex_);
    answers_.assign(answers.begin(), answers.end());
  }

  // The status line goes to `status_board` (when set), not into `texts`.
  void Show(JobText where, const std::string& text) override {
    if (where == JobText::kStatusLine) {
      if (status_board) status_board->ShowStatusLine(text);
      return;
    }
    std::lock_guard lock(mutex_);
    texts.emplace_back(where, text);
  }
  void Progress(const JobProgress& p) override {
    std::lock_guard lock(mutex_);
    progress.push_back(p);
  }
  void Message(MessageIcon icon, const std::string& text) override {
    std::lock_guard lock(mutex_);
    messages.emplace_back(icon, text);
  }
  Answer Ask(const JobQuestion& q) override {
    std::lock_guard lock(mutex_);
    Answer a = StoppingAnswer(q.kind);
    if (!answers_.empty()) {
      a = answers_.front();
      answers_.pop_front();
    }
    questions.push_back({q, a});
    return a;
  }
  void SetBusy(bool busy) override {
    std::lock_guard lock(mutex_);
    busy_marks.push_back(busy);
  }
  void Finished(RunState ended_by) override {
    std::lock_guard lock(mutex_);
    finished.push_back(ended_by);
    done_.notify_all();
  }

  // Waits until Finished has been called `count` times in all.
  void WaitFinished(std::size_t count = 1) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return finished.size() >= count; });
  }

  // The texts shown at `where`, in order.
  std::vector<std::string> TextsAt(JobText where) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [w, t] : texts) {
      if (w == where) out.push_back(t);
    }
    return out;
  }

  // The texts of the messages, in order.
  std::vector<std::string> MessageTexts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [icon, text] : messages) out.push_back(text);
    return out;
  }

  // Everything reported, as text for a golden file: per place the texts shown (past eight,
  // the first and last three and the count), the messages and questions with their answers,
  // the last progress, the busy marks. Line breaks in texts show as "\n"; `folder` (a
  // temporary one) as "TMP".
  std::string Report(const std::string& folder = "") const {
    static const char* const kPlaces[] = {"status", "counters", "pause", "cdb",          "model",
                                          "dump",   "result",   "speed", "second status"};
    const auto line = [&folder](std::string t) {
      t = WithFolderAs(std::move(t), folder);
      for (std::size_t at; (at = t.find_first_of("\r\n")) != std::string::npos;) {
        t.replace(at, 1, t[at] == '\r' ? "\\r" : "\\n");
      }
      return t;
    };
    std::string out;
    for (int place = 0; place < 9; ++place) {
      const std::vector<std::string> shown = TextsAt(static_cast<JobText>(place));
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown.size() > 8 && i == 3) {
          out += "  ... " + std::to_string(shown.size()) + " in all\n";
          i = shown.size() - 4;
          continue;
        }
        out += kPlaces[place] + std::string(": ") + line(shown[i]) + "\n";
      }
    }
    std::lock_guard lock(mutex_);
    for (const auto& [icon, text] : messages) {
      out += "message " + std::to_string(static_cast<int>(icon)) + ": " + line(text) + "\n";
    }
    for (const Asked& q : questions) {
      out += "question " + std::to_string(static_cast<int>(q.question.kind)) + ": " +
             line(q.question.text) + " -> " + std::to_string(static_cast<int>(q.answer)) + "\n";
    }
    if (!progress.empty()) {
      out += "progress " + std::to_string(progress.back().done) + "/" +
             std::to_string(progress.back().total) + "\n";
    }
    out += "busy";
    for (bool b : busy_marks) out += b ? " on" : " off";
    return out + "\n";
  }

  // Read these only after the job has finished.
  std::vector<std::pair<JobText, std::string>> texts;
  std::vector<JobProgress> progress;
  std::vector<std::pair<MessageIcon, std::string>> messages;
  std::vector<Asked> questions;
  std::vector<bool> busy_marks;
  std::vector<RunState> finished;

 private:
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::deque<Answer> answers_;
};

}  // namespace tamarack::testing
