// Message benchmark: adding fields, finding them, flattening and unflattening,
// each beside a baseline measured in the same run: a message kept as a
// std::map from name to bytes with a naive serializer, and plain memcpy.
#include "bench/BenchClock.h"
#include "bench/BenchResult.h"
#include "messaging/Message.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::map<std::string, std::pair<type_code, std::vector<char>>> MapMessage;

volatile uint64 gSink;

// Nanoseconds per call of `step`, repeated until about 0.1 s has passed.
template <typename Step>
double NanosPerCall(Step step)
{
	uint64 calls = 0;
	double start = NowSeconds();
	double elapsed = 0;
	uint32 batch = 64;
	while (elapsed < 0.1) {
		for (uint32 i = 0; i < batch; i++)
			step(calls + i);
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

void Report(const char* what, double ours, const char* baselineName, double baseline)
{
	std::printf("%-34s %10.1f ns   %-22s %10.1f ns   ratio %.3f\n", what, ours, baselineName, baseline,
		ours / baseline);
}

void BenchAdding()
{
	std::vector<std::string> names = Names(100);
	double ours = NanosPerCall([&](uint64) {
		BMessage message;
		BuildMessage(&message, names);
		gSink += static_cast<uint64>(message.FieldCount());
	});
	double map = NanosPerCall([&](uint64) {
		MapMessage message;
		BuildMap(&message, names);
		gSink += message.size();
	});
	Report("add 100 fields", ours, "std::map", map);
}

void BenchFinding(uint32 count)
{
	std::vector<std::string> names = Names(count);
	BMessage message;
	BuildMessage(&message, names);
	MapMessage map;
	BuildMap(&map, names);
	double ours = NanosPerCall([&](uint64 i) {
		const void* data;
		int32 size;
		// The status goes into the sink with the size, so that neither is optimised away.
		status_t status = message.GetData(names[i % count].c_str(), kInt32Type, 0, &data, &size);
		gSink += static_cast<uint64>(size) + static_cast<uint64>(status);
	});
	double baseline = NanosPerCall([&](uint64 i) {
		auto found = map.find(names[i % count]);
		gSink += found->second.second.size();
	});
	char label[64];
	std::snprintf(label, sizeof(label), "GetData, %u fields", count);
	Report(label, ours, "std::map::find", baseline);
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
	double copy = NanosPerCall([&](uint64) {
		std::memcpy(target.data(), flat.data(), flat.size());
		gSink += target[static_cast<size_t>(gSink % target.size())];
	});
	double ours = NanosPerCall([&](uint64) {
		BPrivate::FlattenResult result;
		gSink += static_cast<uint64>(message.Flatten(&result, false, false)) + result.size;
		BPrivate::ReleaseFlattenResult(&result);
	});
	double fixed = NanosPerCall([&](uint64) {
		BPrivate::FlattenResult result;
		gSink += static_cast<uint64>(message.Flatten(&result, true, true)) + result.size;
		BPrivate::ReleaseFlattenResult(&result);
	});
	double naive = NanosPerCall([&](uint64) { gSink += SerializeMap(map).size(); });
	std::printf("flattened size of 100 fields: %u bytes\n", static_cast<unsigned>(flat.size()));
	Report("Flatten (compact), 100 fields", ours, "memcpy of the bytes", copy);
	Report("Flatten (fixed, record), 100 fields", fixed, "memcpy of the bytes", copy);
	Report("Flatten (compact), 100 fields", ours, "std::map serializer", naive);

	double unflatten = NanosPerCall([&](uint64) {
		BMessage back;
		gSink += static_cast<uint64>(back.Unflatten(flat.data(), flat.size())) +
			static_cast<uint64>(back.FieldCount());
	});
	std::vector<char> serialized = SerializeMap(map);
	double deserialize = NanosPerCall([&](uint64) {
		MapMessage back;
		DeserializeMap(serialized, &back);
		gSink += back.size();
	});
	Report("Unflatten, 100 fields", unflatten, "memcpy of the bytes", copy);
	Report("Unflatten, 100 fields", unflatten, "std::map deserializer", deserialize);
}

}  // namespace

int main()
{
	BenchAdding();
	BenchFinding(10);
	BenchFinding(100);
	BenchFinding(1000);
	BenchFlattening();
	return 0;
}
