// Message benchmark: adding fields, finding them, flattening and unflattening,
// each beside a baseline measured in the same run: a message kept as a
// std::map from name to bytes with a naive serializer, and plain memcpy.
// Every figure is the median of rounds that alternate the two sides.
#include "bench/BenchClock.h"
#include "bench/BenchPinning.h"
#include "bench/BenchResult.h"
#include "messaging/Message.h"
#include "messaging/TypeCodes.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// How long one round of one side runs.
constexpr double kRoundSeconds = 0.03;

typedef std::map<std::string, std::pair<type_code, std::vector<char>>> MapMessage;

volatile uint64 gSink;

// Nanoseconds per call of `step`, repeated until a round's time has passed.
// The calls' answers are summed in a register and reach the sink once a
// batch: a sink written every call would chain every call to the one before
// through memory, a cost of its own in figures of a few nanoseconds.
template <typename Step>
double NanosPerCall(Step step)
{
	uint64 calls = 0;
	double start = NowSeconds();
	double elapsed = 0;
	uint32 batch = 64;
	while (elapsed < kRoundSeconds) {
		uint64 sum = 0;
		for (uint32 i = 0; i < batch; i++)
			sum += step(calls + i);
		gSink += sum;
		calls += batch;
		batch *= 2;
		elapsed = NowSeconds() - start;
	}
	return elapsed * 1e9 / static_cast<double>(calls);
}

std::vector<std::string> Names(uint32 count)
{
	std::vector<std::string> names;
	for (uint32 i = 0; i < count; i++) {
		char name[32];
		std::snprintf(name, sizeof(name), "be:field_%05u", i);
		names.push_back(name);
	}
	std::shuffle(names.begin(), names.end(), std::mt19937(count));
	return names;
}

void BuildMessage(BMessage* message, const std::vector<std::string>& names)
{
	for (size_t i = 0; i < names.size(); i++)
		Require(message->AddInt32(names[i].c_str(), static_cast<int32>(i)), "AddInt32");
}

void BuildMap(MapMessage* message, const std::vector<std::string>& names)
{
	for (size_t i = 0; i < names.size(); i++) {
		int32 value = static_cast<int32>(i);
		std::vector<char> bytes(reinterpret_cast<char*>(&value), reinterpret_cast<char*>(&value) + 4);
		(*message)[names[i]] = std::make_pair(kInt32Type, bytes);
	}
}

std::vector<char> SerializeMap(const MapMessage& message)
{
	std::vector<char> out;
	for (const auto& field : message) {
		uint32 header[3] = {static_cast<uint32>(field.first.size()), field.second.first,
			static_cast<uint32>(field.second.second.size())};
		out.insert(out.end(), reinterpret_cast<char*>(header), reinterpret_cast<char*>(header + 3));
		out.insert(out.end(), field.first.begin(), field.first.end());
		out.insert(out.end(), field.second.second.begin(), field.second.second.end());
	}
	return out;
}

void DeserializeMap(const std::vector<char>& bytes, MapMessage* message)
{
	message->clear();
	size_t at = 0;
	while (at + 12 <= bytes.size()) {
		uint32 header[3];
		std::memcpy(header, bytes.data() + at, 12);
		at += 12;
		std::string name(bytes.data() + at, header[0]);
		at += header[0];
		std::vector<char> data(bytes.data() + at, bytes.data() + at + header[2]);
		at += header[2];
		(*message)[name] = std::make_pair(header[1], data);
	}
}

// Both sides as nanoseconds per call, compared round by round.
template <typename Ours, typename Baseline>
void Compare(const char* what, Ours ours, Baseline baseline, const char* goal)
{
	CompareRounds(what, "ns/call", kStableRounds, [&] { return NanosPerCall(ours); },
		[&] { return NanosPerCall(baseline); }, goal);
}

void BenchAdding()
{
	std::vector<std::string> names = Names(100);
	Compare("BMessage add 100 fields / std::map", [&](uint64) {
		BMessage message;
		BuildMessage(&message, names);
		return static_cast<uint64>(message.FieldCount());
	}, [&](uint64) {
		MapMessage message;
		BuildMap(&message, names);
		return static_cast<uint64>(message.size());
	}, "-");
}

void BenchFinding(uint32 count)
{
	std::vector<std::string> names = Names(count);
	BMessage message;
	BuildMessage(&message, names);
	MapMessage map;
	BuildMap(&map, names);
	char label[64];
	std::snprintf(label, sizeof(label), "GetData by name, %u fields / std::map::find", count);
	Compare(label, [&](uint64 i) {
		const void* data;
		int32 size;
		// The status goes into the sink with the size, so that neither is optimised away.
		status_t status = message.GetData(names[i % count].c_str(), kInt32Type, 0, &data, &size);
		return static_cast<uint64>(size) + static_cast<uint64>(status);
	}, [&](uint64 i) {
		auto found = map.find(names[i % count]);
		return static_cast<uint64>(found->second.second.size());
	}, "<= 1.0");
}

// A step that flattens `message` into a result of the given layout.
auto Flattening(const BMessage& message, bool fixedLayout, bool withRecord)
{
	return [&message, fixedLayout, withRecord](uint64) {
		BPrivate::FlattenResult result;
		uint64 answer = static_cast<uint64>(message.Flatten(&result, fixedLayout, withRecord)) + result.size;
		BPrivate::ReleaseFlattenResult(&result);
		return answer;
	};
}

void BenchFlattening()
{
	std::vector<std::string> names = Names(100);
	BMessage message(FourCC("BNCH"));
	BuildMessage(&message, names);
	MapMessage map;
	BuildMap(&map, names);
	std::vector<uint8> flat(static_cast<size_t>(message.FlattenedSize()));
	Require(message.Flatten(flat.data(), static_cast<int32>(flat.size())), "Flatten");
	std::vector<uint8> target(flat.size());
	auto copy = [&](uint64 i) {
		std::memcpy(target.data(), flat.data(), flat.size());
		return static_cast<uint64>(target[static_cast<size_t>(i % target.size())]);
	};
	std::printf("flattened size of 100 fields: %u bytes\n", static_cast<unsigned>(flat.size()));
	Compare("Flatten (compact), 100 fields / memcpy of its bytes", Flattening(message, false, false), copy,
		"<= 0.1");
	Compare("Flatten (fixed, record), 100 fields / memcpy", Flattening(message, true, true), copy, "-");
	Compare("Flatten (compact), 100 fields / std::map serializer", Flattening(message, false, false),
		[&](uint64) { return static_cast<uint64>(SerializeMap(map).size()); }, "-");

	// A body that two messages share is claimed with an atomic operation and
	// given back with another: the two alone are that flatten's floor.
	BMessage sharing(message);
	Compare("Flatten (compact) of a shared body, 100 fields / memcpy", Flattening(sharing, false, false), copy, "-");
	std::atomic<uint32> flags{0};
	Compare("header area claim and release alone (2 atomic operations) / memcpy", [&](uint64) {
		uint32 before = flags.fetch_or(BMessageBody::kHeaderAreaInUse, std::memory_order_acquire);
		flags.fetch_and(~BMessageBody::kHeaderAreaInUse, std::memory_order_release);
		return static_cast<uint64>(before);
	}, copy, "-");

	BMessage few(FourCC("BNCH"));
	BuildMessage(&few, Names(10));
	BMessage many(FourCC("BNCH"));
	BuildMessage(&many, Names(1000));
	Compare("Flatten (compact), 1000 fields / 10 fields", Flattening(many, false, false),
		Flattening(few, false, false), "<= 1.2");

	auto unflatten = [&](uint64) {
		BMessage back;
		return static_cast<uint64>(back.Unflatten(flat.data(), flat.size())) +
			static_cast<uint64>(back.FieldCount());
	};
	// Information: unflattening checks every byte it is given, which costs a
	// multiple of the copy that no goal of a copy can hold.
	Compare("Unflatten, 100 fields / memcpy of its bytes", unflatten, copy, "-");
	// What any unflatten does before it checks a byte: a body obtained, the
	// bytes copied into it, the body freed with the message.
	Compare("Unflatten's body allocation, copy and release alone / memcpy", [&](uint64 i) {
		BMessageBody* body = BMessageBody::Create(static_cast<uint32>(flat.size()));
		Require(body != nullptr ? kOk : kNoMemory, "BMessageBody::Create");
		std::memcpy(body->Data(), flat.data(), flat.size());
		uint64 answer = body->Data()[i % flat.size()];
		body->Release();
		return answer;
	}, copy, "-");
	std::vector<char> serialized = SerializeMap(map);
	Compare("Unflatten, 100 fields / std::map deserializer", unflatten, [&](uint64) {
		MapMessage back;
		DeserializeMap(serialized, &back);
		return static_cast<uint64>(back.size());
	}, "-");
}

}  // namespace

int main()
{
	PinToOneProcessor();
	std::printf("%d rounds of %.0f ms a side\n", kStableRounds, kRoundSeconds * 1000);
	BenchAdding();
	BenchFinding(10);
	BenchFinding(100);
	BenchFinding(1000);
	BenchFlattening();
	return 0;
}
