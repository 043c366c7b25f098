#pragma once

// What the phone's Foundation offers a plug-in.
#include <Foundation/NSArray.h>
#include <Foundation/NSClassRegistry.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSError.h>
#include <Foundation/NSJSONSerialization.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSObject.h>
#include <Foundation/NSString.h>
#include <Foundation/NSURL.h>
#include <Foundation/NSURLConnection.h>
#include <Foundation/NSURLRequest.h>
#include <Foundation/NSURLResponse.h>
