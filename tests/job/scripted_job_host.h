// A JobHost for tests: records every report and answers questions from a script.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "job/job_host.h"

namespace tamarack::testing {

class ScriptedJobHost : public JobHost {
 public:
  struct Asked {
    JobQuestion question;
    Answer answer;
  };

  // Answers given in order; once the script is used up, questions get the stopping answer.
  void Script(std::vector<Answer> answers) {
    std::lock_guard lock(mutex_);
    answers_.assign(answers.begin(), answers.end());
  }

  void Show(JobText where, const std::string& text) override {
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
