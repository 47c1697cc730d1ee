// The looper's scripting and quit requests, answered across threads: every
// request is posted to a running looper with the handler of another running
// looper as its return address.
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/LooperTestSupport.h"

#include "messaging/Messenger.h"

#include <gtest/gtest.h>

using zeltest::Event;
using zeltest::MakeScriptRequest;
using zeltest::RecordingHandler;
using zeltest::ReplyCollector;
using zeltest::TakeDebuggerReports;
using zeltest::TextOf;
using zeltest::WatchedLooper;

namespace {

// A running looper with one plain handler named "worker" beside itself.
class ScriptedLooper {
public:
	ScriptedLooper() : fLooper(new WatchedLooper("scripted", &fDestroyed))
	{
		fLooper->AddHandler(&fWorker);
		fLooper->Run();
	}
	~ScriptedLooper()
	{
		if (!fDestroyed.IsSet() && fLooper->Lock())
			fLooper->Quit();
		// The worker must outlive its attachment.
		EXPECT_TRUE(zeltest::WaitUntilUnlisted(fLooper));
	}
	ScriptedLooper(const ScriptedLooper&) = delete;
	ScriptedLooper& operator=(const ScriptedLooper&) = delete;

	WatchedLooper* Looper() { return fLooper; }
	BHandler* Worker() { return &fWorker; }
	Event& Destroyed() { return fDestroyed; }

	// Posts `request` to the looper itself and answers the first reply.
	BMessage Ask(BMessage* request, ReplyCollector* replies)
	{
		EXPECT_EQ(fLooper->Post(request, fLooper, replies->Handler()), kOk);
		return replies->FirstReply();
	}

private:
	Event fDestroyed;
	BHandler fWorker{"worker"};
	WatchedLooper* fLooper;
};

}  // namespace

TEST(LooperScripting, HandlersAnswersAMessengerForEveryHandler)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Handlers", 0}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	BMessenger first;
	BMessenger second;
	BMessenger third;
	EXPECT_EQ(reply.GetMessenger("result", 0, &first), kOk);
	EXPECT_EQ(reply.GetMessenger("result", 1, &second), kOk);
	EXPECT_NE(reply.GetMessenger("result", 2, &third), kOk);
	EXPECT_TRUE(first == BMessenger(scripted.Looper(), scripted.Looper()));
	EXPECT_TRUE(second == BMessenger(scripted.Worker(), scripted.Looper()));
	EXPECT_EQ(second.Target(nullptr), scripted.Worker());
}

TEST(LooperScripting, CountOfHandlers)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request = MakeScriptRequest(kCountProperties, {{kDirectSpecifier, "Handler", 0}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	int32 count = -1;
	EXPECT_EQ(reply.GetInt32("result", &count), kOk);
	EXPECT_EQ(count, 2);
}

TEST(LooperScripting, HandlerIndexOutOfRangeIsNotUnderstood)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request = MakeScriptRequest(kGetProperty, {{kIndexSpecifier, "Handler", 5}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kNotUnderstood);
	EXPECT_EQ(TextOf(reply, "message"), "handler index out of range");
	int32 error = 0;
	EXPECT_EQ(reply.GetInt32("error", &error), kOk);
	EXPECT_EQ(error, kBadIndex);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperScripting, HandlerByIndexPassesTheRestOfTheRequestOn)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request = MakeScriptRequest(kGetProperty,
		{{kDirectSpecifier, "InternalName", 0}, {kIndexSpecifier, "Handler", 1}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	EXPECT_EQ(TextOf(reply, "result"), "worker");
	int32 error = -1;
	EXPECT_EQ(reply.GetInt32("error", &error), kOk);
	EXPECT_EQ(error, kOk);
}

TEST(LooperScripting, HandlerByReverseIndexCountsFromTheEnd)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	// Two handlers: the reverse index 1 is 2 - 1, the worker.
	BMessage request = MakeScriptRequest(kGetProperty, {{kReverseIndexSpecifier, "Handler", 1}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	BMessenger messenger;
	EXPECT_EQ(reply.GetMessenger("result", &messenger), kOk);
	EXPECT_TRUE(messenger == BMessenger(scripted.Worker(), scripted.Looper()));
}

TEST(LooperScripting, UnknownPropertyFallsBackToTheHandlersAnswer)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Nothing", 0}});
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kNotUnderstood);
	int32 error = 0;
	EXPECT_EQ(reply.GetInt32("error", &error), kOk);
	EXPECT_EQ(error, kBadScriptRequest);
}

TEST(LooperScripting, SuitesNameTheLooperBeforeTheHandler)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request(kGetSuites);
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	BString suite;
	EXPECT_EQ(reply.GetText("suites", 0, &suite), kOk);
	EXPECT_TRUE(suite == "suite/vnd.Be-looper");
	EXPECT_EQ(reply.GetText("suites", 1, &suite), kOk);
	EXPECT_TRUE(suite == "suite/vnd.Be-handler");
}

TEST(LooperQuitRequest, AnswerIsSentEvenWhenTheLooperDeclines)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	ASSERT_TRUE(scripted.Looper()->Lock());
	scripted.Looper()->fConfirmQuit = false;
	scripted.Looper()->Unlock();
	BMessage request(kQuitRequested);
	EXPECT_EQ(request.AddBool("wants_reply", true), kOk);
	BMessage reply = scripted.Ask(&request, &replies);
	EXPECT_EQ(reply.what, kReplyCode);
	bool result = true;
	EXPECT_EQ(reply.GetBool("result", &result), kOk);
	EXPECT_FALSE(result);
	int32 thread = 0;
	EXPECT_EQ(reply.GetInt32("thread", &thread), kOk);
	EXPECT_EQ(thread, scripted.Looper()->Thread());

	// Still running: the next request is answered too.
	BMessage count = MakeScriptRequest(kCountProperties, {{kDirectSpecifier, "Handler", 0}});
	EXPECT_EQ(scripted.Looper()->Post(&count, scripted.Looper(), replies.Handler()), kOk);
	ASSERT_TRUE(replies.Recorder().WaitFor(2));
	EXPECT_EQ(replies.Recorder().Codes().back(), kReplyCode);
	EXPECT_FALSE(scripted.Destroyed().IsSet());
}

TEST(LooperQuitRequest, ConsentingLooperAnswersAndQuits)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	int32 looperThread = scripted.Looper()->Thread();
	BMessage request(kNoDocuments);
	EXPECT_EQ(request.AddBool("wants_reply", true), kOk);
	BMessage reply = scripted.Ask(&request, &replies);
	bool result = false;
	EXPECT_EQ(reply.GetBool("result", &result), kOk);
	EXPECT_TRUE(result);
	int32 thread = 0;
	EXPECT_EQ(reply.GetInt32("thread", &thread), kOk);
	EXPECT_EQ(thread, looperThread);
	EXPECT_TRUE(scripted.Destroyed().Wait());
}

TEST(LooperQuitRequest, NoAnswerUnlessOneIsWanted)
{
	ReplyCollector replies;
	ScriptedLooper scripted;
	BMessage request(kQuitRequested);
	EXPECT_EQ(scripted.Looper()->Post(&request, scripted.Looper(), replies.Handler()), kOk);
	ASSERT_TRUE(scripted.Destroyed().Wait());
	// A marker sent now is queued behind anything the looper sent before it
	// went, so it arrives alone only when there was no answer.
	BMessage marker(FourCC("mark"));
	EXPECT_EQ(BMessenger(replies.Handler(), nullptr).Send(&marker), kOk);
	ASSERT_TRUE(replies.Recorder().WaitFor(1));
	EXPECT_EQ(replies.Recorder().Codes(), std::vector<uint32>{FourCC("mark")});
}
