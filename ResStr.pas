unit ResStr;

interface

uses RString;

const
  sid = $0001;

const
  rsp = PRString( Ptr( 0, $0001 ) );

implementation

end.
